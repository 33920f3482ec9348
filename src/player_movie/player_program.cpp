#include "player_movie/player_program.h"

namespace brelvano {

using namespace avm1;

namespace {

// Layout of the face, in pixels.
constexpr double kMargin = 12;
constexpr double kBarsTop = 60;
constexpr double kBarsHeight = 90;
constexpr double kBarStep = 11.75;  // 32 bars across 376 pixels
constexpr double kBarWidth = 9.5;
constexpr double kControlsTop = 160;
constexpr double kListTop = 196;
constexpr double kRowHeight = 19;
constexpr int kRows = 5;
constexpr int kBands = 32;
constexpr double kFullLevel = 32;  // the spectrum levels run 0..32

// Play states.
constexpr int kIdle = 0;
constexpr int kPlaying = 1;
constexpr int kPaused = 2;
// Kinds of the current track.
constexpr int kNone = 0;
constexpr int kSwfTrack = 1;
constexpr int kFlvTrack = 2;

// How long an FLV stream's clock may stand still while playing before the
// track counts as ended: briefly once the stream has reported its end (the
// status comes when the data is used up, while the sound still plays), at
// length when the runtime sends no end status.
constexpr int kStallAfterStopMs = 300;
constexpr int kStallMs = 3000;

Expr V(const char* name) { return Var(name); }
Expr M(Expr object, const char* name) { return Member(std::move(object), name); }
Stmt Inc(const char* name) { return Set(name, V(name) + Num(1)); }
Stmt CallStmt(const char* function, std::vector<Expr> args = {}) {
  return Do(Call(function, std::move(args)));
}
Stmt MethodStmt(Expr object, const char* method, std::vector<Expr> args = {}) {
  return Do(Method(std::move(object), method, std::move(args)));
}
Expr IsDefined(Expr value) { return !(std::move(value) == Undefined()); }

// box(mc, x, y, w, h, color): a filled rectangle.
Stmt DefineBox() {
  const Expr mc = V("mc");
  return DefineFunction("box", {"mc", "x", "y", "w", "h", "color"},
                        {
                            MethodStmt(mc, "beginFill", {V("color"), Num(100)}),
                            MethodStmt(mc, "moveTo", {V("x"), V("y")}),
                            MethodStmt(mc, "lineTo", {V("x") + V("w"), V("y")}),
                            MethodStmt(mc, "lineTo", {V("x") + V("w"), V("y") + V("h")}),
                            MethodStmt(mc, "lineTo", {V("x"), V("y") + V("h")}),
                            MethodStmt(mc, "lineTo", {V("x"), V("y")}),
                            MethodStmt(mc, "endFill"),
                        });
}

// tri(mc, x1, y1, x2, y2, x3, y3): a filled triangle in the icon colour.
Stmt DefineTriangle() {
  const Expr mc = V("mc");
  return DefineFunction("tri", {"mc", "x1", "y1", "x2", "y2", "x3", "y3"},
                        {
                            MethodStmt(mc, "beginFill", {Num(0xE0E6F0), Num(100)}),
                            MethodStmt(mc, "moveTo", {V("x1"), V("y1")}),
                            MethodStmt(mc, "lineTo", {V("x2"), V("y2")}),
                            MethodStmt(mc, "lineTo", {V("x3"), V("y3")}),
                            MethodStmt(mc, "lineTo", {V("x1"), V("y1")}),
                            MethodStmt(mc, "endFill"),
                        });
}

// makeText(owner, name, depth, x, y, w, h, size, color, bold): a TextField
// that does not take the mouse, in the runtime's sans-serif font.
Stmt DefineMakeText() {
  return DefineFunction("makeText",
                        {"owner", "name", "depth", "x", "y", "w", "h", "size", "color", "bold"},
                        {
                            MethodStmt(V("owner"), "createTextField",
                                       {V("name"), V("depth"), V("x"), V("y"), V("w"), V("h")}),
                            Local("field", Member(V("owner"), V("name"))),
                            Local("format", New("TextFormat", {})),
                            SetMember(V("format"), "font", Str("_sans")),
                            SetMember(V("format"), "size", V("size")),
                            SetMember(V("format"), "color", V("color")),
                            SetMember(V("format"), "bold", V("bold")),
                            MethodStmt(V("field"), "setNewTextFormat", {V("format")}),
                            SetMember(V("field"), "selectable", Bool(false)),
                            Return(V("field")),
                        });
}

// drawIcon(button, kind): redraws a control's symbol ("prev", "next", "play", "pause").
Stmt DefineDrawIcon() {
  const Expr icon = V("icon");
  auto bar = [&](double x) {
    return CallStmt("box", {icon, Num(x), Num(8), Num(4), Num(12), Num(0xE0E6F0)});
  };
  return DefineFunction(
      "drawIcon", {"button", "kind"},
      {
          Local("icon", Method(V("button"), "createEmptyMovieClip", {Str("icon"), Num(1)})),
          If(V("kind") == Str("play"),
             {CallStmt("tri", {icon, Num(14), Num(8), Num(25), Num(14), Num(14), Num(20)})}),
          If(V("kind") == Str("pause"), {bar(12), bar(20)}),
          If(V("kind") == Str("next"),
             {CallStmt("tri", {icon, Num(10), Num(8), Num(21), Num(14), Num(10), Num(20)}),
              bar(21)}),
          If(V("kind") == Str("prev"),
             {CallStmt("tri", {icon, Num(26), Num(8), Num(15), Num(14), Num(26), Num(20)}),
              bar(11)}),
      });
}

// makeButton(name, depth, x, kind, action): a control on the controls row.
Stmt DefineMakeButton() {
  return DefineFunction(
      "makeButton", {"name", "depth", "x", "kind", "action"},
      {
          Local("mc", Method(V("_root"), "createEmptyMovieClip", {V("name"), V("depth")})),
          SetMember(V("mc"), "_x", V("x")),
          SetMember(V("mc"), "_y", Num(kControlsTop)),
          CallStmt("box", {V("mc"), Num(0), Num(0), Num(36), Num(28), Num(0x2E3646)}),
          CallStmt("drawIcon", {V("mc"), V("kind")}),
          SetMember(V("mc"), "onRelease", V("action")),
          Return(V("mc")),
      });
}

// clock(seconds): "m:ss".
Stmt DefineClock() {
  const Expr math = V("Math");
  return DefineFunction(
      "clock", {"s"},
      {
          If(!(V("s") > Num(0)), {Set("s", Num(0))}),
          Local("m", Method(math, "floor", {V("s") / Num(60)})),
          Local("r", Method(math, "floor", {V("s") % Num(60)})),
          Return(V("m") + Str(":") + Cond(V("r") < Num(10), Str("0") + V("r"), V("r"))),
      });
}

// text(value): the value, or the empty string when it is missing.
Stmt DefineText() {
  return DefineFunction("text", {"v"},
                        {
                            If(V("v") == Undefined(), {Return(Str(""))}),
                            Return(V("v")),
                        });
}

// The record of the track at play position i.
Stmt DefineTrackAt() {
  return DefineFunction("trackAt", {"i"},
                        {
                            Return(Member(V("tracks"), Member(V("order"), V("i")))),
                        });
}

// trackName(t): its title, or its file name when it has none.
Stmt DefineTrackName() {
  return DefineFunction("trackName", {"t"},
                        {
                            If(M(V("t"), "desc") == Str("") || M(V("t"), "desc") == Undefined(),
                               {Return(M(V("t"), "src"))}),
                            Return(M(V("t"), "desc")),
                        });
}

// Title, artist and album of the current track.
Stmt DefineShowTrack() {
  const Expr t = V("t");
  return DefineFunction(
      "showTrack", {},
      {
          If(V("count") == Num(0),
             {
                 SetMember(V("titleText"), "text", Str("No tracks")),
                 Return(Undefined()),
             }),
          Local("t", Call("trackAt", {V("cur")})),
          SetMember(V("titleText"), "text", Call("trackName", {t})),
          Local("info", Call("text", {M(t, "artist")})),
          If(!(Call("text", {M(t, "album")}) == Str("")),
             {
                 If(!(V("info") == Str("")), {Set("info", V("info") + Str("  \xE2\x80\x94  "))}),
                 Set("info", V("info") + M(t, "album")),
             }),
          SetMember(V("infoText"), "text", V("info")),
      });
}

// The visible window of the track list, the current track highlighted.
Stmt DefineRefreshList() {
  const Expr row = V("row");
  const Expr t = V("t");
  return DefineFunction(
      "refreshList", {},
      {
          If(V("cur") < V("listTop"), {Set("listTop", V("cur"))}),
          If(!(V("cur") < V("listTop") + Num(kRows)), {Set("listTop", V("cur") - Num(kRows - 1))}),
          Local("i", Num(0)),
          While(V("i") < Num(kRows),
                {
                    Local("row", Member(V("list"), Str("r") + V("i"))),
                    Local("k", V("listTop") + V("i")),
                    If(V("k") < V("count"),
                       {
                           Local("t", Call("trackAt", {V("k")})),
                           SetMember(row, "idx", V("k")),
                           SetMember(M(row, "t"), "text",
                                     V("k") + Num(1) + Str(". ") + Call("trackName", {t}) +
                                         Cond(Call("text", {M(t, "artist")}) == Str(""), Str(""),
                                              Str(" \xE2\x80\x94 ") + M(t, "artist")) +
                                         Str("   ") + Call("clock", {M(t, "secs")})),
                           SetMember(M(row, "t"), "textColor",
                                     Cond(V("k") == V("cur"), Num(0xFFD54F), Num(0xC8D0DC))),
                           SetMember(row, "_visible", Bool(true)),
                       },
                       {
                           SetMember(row, "_visible", Bool(false)),
                       }),
                    Inc("i"),
                }),
      });
}

Stmt DefineClearBands() {
  return DefineFunction("clearBands", {},
                        {
                            Set("bands", New("Object", {})),
                        });
}

// Ends whatever plays now; the face keeps the track's texts.
Stmt DefineStopTrack() {
  return DefineFunction(
      "stopTrack", {},
      {
          If(V("kind") == Num(kSwfTrack), {MethodStmt(V("clip"), "removeMovieClip")}),
          If(V("kind") == Num(kFlvTrack), {MethodStmt(V("ns"), "close")}),
          Op(kActionStopSounds),
          Set("kind", Num(kNone)),
          CallStmt("clearBands"),
      });
}

// playAt(i): starts the track at play position i. SWF tracks are loaded
// into a fresh clip each time, so no variable of the previous track
// (duration, s0..s31) is mistaken for the new one's.
Stmt DefinePlayAt() {
  const Expr src = V("src");
  const Expr ns = V("ns");
  return DefineFunction(
      "playAt", {"i"},
      {
          CallStmt("stopTrack"),
          Set("cur", V("i")),
          CallStmt("showTrack"),
          Set("elapsed", Num(0)),
          Set("started", Bool(false)),
          Set("lastFrame", Num(0)),
          Set("streamClock", Num(-1)),
          Set("stalled", Num(0)),
          Set("streamStopped", Bool(false)),
          Local("src", M(Call("trackAt", {V("cur")}), "src")),
          If(Method(Method(src, "substr", {M(src, "length") - Num(4)}), "toLowerCase", {}) ==
                 Str(".flv"),
             {
                 Set("kind", Num(kFlvTrack)),
                 If(V("nc") == Undefined(),
                    {
                        Set("nc", New("NetConnection", {})),
                        MethodStmt(V("nc"), "connect", {Null()}),
                    }),
                 Set("ns", New("NetStream", {V("nc")})),
                 SetMember(ns, "onStatus",
                           Function({"info"},
                                    {
                                        If(M(V("info"), "code") == Str("NetStream.Play.Stop") &&
                                               V("this") == V("ns"),
                                           {Set("streamStopped", Bool(true))}),
                                    })),
                 // Spectrum script tags carry only the bands that changed.
                 SetMember(
                     ns, "onMetaData",
                     Function({"info"},
                              {
                                  Local("b", Num(0)),
                                  While(V("b") < Num(kBands),
                                        {
                                            Local("v", Member(V("info"), Str("s") + V("b"))),
                                            If(IsDefined(V("v")),
                                               {SetMember(V("bands"), Str("s") + V("b"), V("v"))}),
                                            Inc("b"),
                                        }),
                              })),
                 MethodStmt(ns, "play", {src}),
             },
             {
                 Set("kind", Num(kSwfTrack)),
                 Inc("seq"),
                 Set("clip",
                     Method(V("_root"), "createEmptyMovieClip", {Str("track") + V("seq"), Num(2)})),
                 MethodStmt(V("clip"), "loadMovie", {src}),
             }),
          Set("state", Num(kPlaying)),
          CallStmt("drawIcon", {V("playButton"), Str("pause")}),
          CallStmt("refreshList"),
      });
}

Stmt DefineIdle() {
  return DefineFunction("idle", {},
                        {
                            Set("state", Num(kIdle)),
                            Set("elapsed", Num(0)),
                            CallStmt("drawIcon", {V("playButton"), Str("play")}),
                        });
}

// After a track's end: the next one with playall, the first again after
// the last only with loop; without playall, loop repeats the track.
Stmt DefineTrackEnded() {
  return DefineFunction(
      "trackEnded", {},
      {
          CallStmt("stopTrack"),
          If(V("playall"),
             {
                 If(V("cur") + Num(1) < V("count"), {CallStmt("playAt", {V("cur") + Num(1)})},
                    {
                        If(V("loop"), {CallStmt("playAt", {Num(0)})}, {CallStmt("idle")}),
                    }),
             },
             {
                 If(V("loop"), {CallStmt("playAt", {V("cur")})}, {CallStmt("idle")}),
             }),
      });
}

Stmt DefineTogglePlay() {
  const Expr swf = V("kind") == Num(kSwfTrack);
  return DefineFunction(
      "togglePlay", {},
      {
          If(V("count") == Num(0), {Return(Undefined())}),
          If(V("state") == Num(kIdle), {CallStmt("playAt", {V("cur")}), Return(Undefined())}),
          If(V("state") == Num(kPlaying),
             {
                 Set("state", Num(kPaused)),
                 If(swf, {MethodStmt(V("clip"), "stop")},
                    {MethodStmt(V("ns"), "pause", {Bool(true)})}),
                 CallStmt("drawIcon", {V("playButton"), Str("play")}),
             },
             {
                 Set("state", Num(kPlaying)),
                 If(swf, {MethodStmt(V("clip"), "play")},
                    {MethodStmt(V("ns"), "pause", {Bool(false)})}),
                 CallStmt("drawIcon", {V("playButton"), Str("pause")}),
             }),
      });
}

// The 32 level bars, from the SWF track's s0..s31 or the FLV stream's bands.
Stmt DefineDrawBars() {
  const Expr v = V("v");
  return DefineFunction(
      "drawBars", {},
      {
          MethodStmt(V("bars"), "clear"),
          Local("levels", Cond(V("kind") == Num(kSwfTrack), V("clip"), V("bands"))),
          Local("i", Num(0)),
          While(V("i") < Num(kBands),
                {
                    Local("v", ToNumber(Member(V("levels"), Str("s") + V("i")))),
                    If(!(v > Num(0)), {Set("v", Num(0))}),
                    If(v > Num(kFullLevel), {Set("v", Num(kFullLevel))}),
                    Local("h", Num(1) + v * Num((kBarsHeight - 1) / kFullLevel)),
                    CallStmt("box", {V("bars"), Num(kMargin) + V("i") * Num(kBarStep),
                                     Num(kBarsTop + kBarsHeight) - V("h"), Num(kBarWidth), V("h"),
                                     Num(0x4FC3F7)}),
                    Inc("i"),
                }),
      });
}

// Once per frame: follows the current track to its end, then the face.
Stmt DefineTick() {
  const Expr clip = V("clip");
  const Expr cf = V("cf");
  const Expr tf = V("tf");
  // A track movie has no Stop action: its end shows as the last frame, or
  // as a wrap back to an earlier frame when the runtime skipped past it.
  // A movie longer than the frame-count field can say runs on by its own
  // duration instead.
  const Expr clipped = !(tf < Num(kClippedFrameCount));
  const Expr ended =
      (cf < V("lastFrame")) || (!clipped && !(cf < tf)) ||
      (clipped && V("elapsed") > (ToNumber(M(clip, "duration")) + Num(1)) * Num(1000));
  return DefineFunction(
      "tick", {},
      {
          Local("now", GetTime()),
          Local("dt", V("now") - V("lastTick")),
          Set("lastTick", V("now")),
          If(V("state") == Num(kPlaying) && V("kind") == Num(kSwfTrack),
             {
                 If(V("started"),
                    {
                        Local("cf", M(clip, "_currentframe")),
                        Local("tf", M(clip, "_totalframes")),
                        If(ended, {CallStmt("trackEnded")},
                           {
                               Set("lastFrame", cf),
                               Set("elapsed", V("elapsed") + V("dt")),
                           }),
                    },
                    {
                        If(IsDefined(M(clip, "duration")),
                           {
                               Set("started", Bool(true)),
                               Set("lastFrame", M(clip, "_currentframe")),
                           }),
                    }),
             }),
          If(V("state") == Num(kPlaying) && V("kind") == Num(kFlvTrack),
             {
                 Local("time", ToNumber(M(V("ns"), "time"))),
                 If(V("time") > Num(0),
                    {
                        Set("started", Bool(true)),
                        Set("elapsed", V("time") * Num(1000)),
                    }),
                 If(V("started") && V("time") == V("streamClock"),
                    {
                        Set("stalled", V("stalled") + V("dt")),
                        If(V("stalled") >
                               Cond(V("streamStopped"), Num(kStallAfterStopMs), Num(kStallMs)),
                           {CallStmt("trackEnded")}),
                    },
                    {
                        Set("stalled", Num(0)),
                    }),
                 Set("streamClock", V("time")),
             }),
          CallStmt("drawBars"),
          If(V("count") > Num(0),
             {
                 SetMember(V("timeText"), "text",
                           Call("clock", {V("elapsed") / Num(1000)}) + Str(" / ") +
                               Call("clock", {M(Call("trackAt", {V("cur")}), "secs")})),
             }),
      });
}

// Reads the playlist's three top-level elements.
Stmt DefineReadPlaylist() {
  const Expr node = V("node");
  const Expr attrs = V("a");
  auto yes = [&](const char* name) { return M(attrs, name) == Str("yes"); };
  return DefineFunction(
      "readPlaylist", {"doc"},
      {
          Local("node", M(V("doc"), "firstChild")),
          While(!(node == Null()),
                {
                    Local("a", M(node, "attributes")),
                    If(M(node, "nodeName") == Str("PLAYERSETTINGS"),
                       {
                           Set("autostart", yes("autostart")),
                           Set("playall", yes("playall")),
                           Set("loop", yes("loop")),
                           Set("shuffle", yes("shuffle")),
                       }),
                    If(M(node, "nodeName") == Str("PLAYLIST"),
                       {
                           Local("f", M(node, "firstChild")),
                           While(!(V("f") == Null()),
                                 {
                                     If(M(V("f"), "nodeName") == Str("FILE"),
                                        {
                                            Local("fa", M(V("f"), "attributes")),
                                            Local("t", New("Object", {})),
                                            SetMember(V("t"), "src", M(V("fa"), "src")),
                                            SetMember(V("t"), "desc", M(V("fa"), "desc")),
                                            SetMember(V("t"), "artist", M(V("fa"), "artist")),
                                            SetMember(V("t"), "album", M(V("fa"), "album")),
                                            SetMember(V("t"), "secs",
                                                      ToNumber(M(V("fa"), "minutes")) * Num(60) +
                                                          ToNumber(M(V("fa"), "seconds"))),
                                            MethodStmt(V("tracks"), "push", {V("t")}),
                                        }),
                                     Set("f", M(V("f"), "nextSibling")),
                                 }),
                       }),
                    Set("node", M(node, "nextSibling")),
                }),
      });
}

// The play order: playlist order, or shuffled once (Fisher-Yates).
Stmt DefineStart() {
  const Expr order = V("order");
  return DefineFunction(
      "start", {"doc"},
      {
          CallStmt("readPlaylist", {V("doc")}),
          Set("count", M(V("tracks"), "length")),
          Local("i", Num(0)),
          While(V("i") < V("count"), {MethodStmt(order, "push", {V("i")}), Inc("i")}),
          If(V("shuffle"),
             {
                 Set("i", V("count") - Num(1)),
                 While(V("i") > Num(0),
                       {
                           Local("j", Random(V("i") + Num(1))),
                           Local("swap", Member(order, V("i"))),
                           SetMember(order, V("i"), Member(order, V("j"))),
                           SetMember(order, V("j"), V("swap")),
                           Set("i", V("i") - Num(1)),
                       }),
             }),
          Set("cur", Num(0)),
          CallStmt("showTrack"),
          CallStmt("refreshList"),
          If(V("autostart") && V("count") > Num(0), {CallStmt("playAt", {Num(0)})}),
      });
}

// The face: background, texts, bars, controls and the list rows.
Block BuildFace() {
  const Expr root = V("_root");
  Block face = {
      Set("face", Method(root, "createEmptyMovieClip", {Str("face"), Num(1)})),
      CallStmt("box", {V("face"), Num(0), Num(0), Num(kPlayerWidth), Num(kPlayerHeight),
                       Num(kPlayerBackground)}),
      CallStmt("box", {V("face"), Num(kMargin), Num(kBarsTop), Num(kPlayerWidth - 2 * kMargin),
                       Num(kBarsHeight), Num(0x151A22)}),
      Set("bars", Method(root, "createEmptyMovieClip", {Str("bars"), Num(5)})),
      Set("titleText", Call("makeText", {root, Str("titleText"), Num(10), Num(kMargin), Num(8),
                                         Num(kPlayerWidth - 2 * kMargin), Num(26), Num(18),
                                         Num(0xFFFFFF), Bool(true)})),
      Set("infoText", Call("makeText", {root, Str("infoText"), Num(11), Num(kMargin), Num(34),
                                        Num(kPlayerWidth - 2 * kMargin), Num(20), Num(12),
                                        Num(0xB0B8C8), Bool(false)})),
      Set("timeText", Call("makeText", {root, Str("timeText"), Num(12), Num(140),
                                        Num(kControlsTop + 3), Num(kPlayerWidth - 140 - kMargin),
                                        Num(22), Num(14), Num(0xE0E6F0), Bool(false)})),
      SetMember(V("titleText"), "text", Str("Loading playlist\xE2\x80\xA6")),
      Set("prevButton",
          Call("makeButton",
               {Str("prevButton"), Num(30), Num(kMargin), Str("prev"),
                Function({}, {If(V("count") > Num(0),
                                 {CallStmt("playAt",
                                           {(V("cur") + V("count") - Num(1)) % V("count")})})})})),
      Set("playButton", Call("makeButton", {Str("playButton"), Num(31), Num(kMargin + 42),
                                            Str("play"), Function({}, {CallStmt("togglePlay")})})),
      Set("nextButton",
          Call("makeButton",
               {Str("nextButton"), Num(32), Num(kMargin + 84), Str("next"),
                Function({}, {If(V("count") > Num(0),
                                 {CallStmt("playAt", {(V("cur") + Num(1)) % V("count")})})})})),
      Set("list", Method(root, "createEmptyMovieClip", {Str("list"), Num(20)})),
      SetMember(V("list"), "_y", Num(kListTop)),
  };
  for (int i = 0; i < kRows; ++i) {
    const std::string name = "r" + std::to_string(i);
    const Expr row = Member(V("list"), name.c_str());
    face.push_back(Do(Method(V("list"), "createEmptyMovieClip", {Str(name), Num(i + 1)})));
    face.push_back(SetMember(row, "_y", Num(i * kRowHeight)));
    face.push_back(CallStmt("box", {row, Num(kMargin), Num(0), Num(kPlayerWidth - 2 * kMargin),
                                    Num(kRowHeight - 1), Num(0x252C38)}));
    face.push_back(Do(Call("makeText", {row, Str("t"), Num(1), Num(kMargin + 4), Num(0),
                                        Num(kPlayerWidth - 2 * kMargin - 8), Num(kRowHeight),
                                        Num(12), Num(0xC8D0DC), Bool(false)})));
    face.push_back(SetMember(row, "_visible", Bool(false)));
    face.push_back(
        SetMember(row, "onRelease", Function({}, {CallStmt("playAt", {M(V("this"), "idx")})})));
  }
  return face;
}

}  // namespace

Block PlayerProgram() {
  Block program = {
      DefineBox(),
      DefineTriangle(),
      DefineMakeText(),
      DefineDrawIcon(),
      DefineMakeButton(),
      DefineClock(),
      DefineText(),
      DefineTrackAt(),
      DefineTrackName(),
      DefineShowTrack(),
      DefineRefreshList(),
      DefineClearBands(),
      DefineStopTrack(),
      DefinePlayAt(),
      DefineIdle(),
      DefineTrackEnded(),
      DefineTogglePlay(),
      DefineDrawBars(),
      DefineTick(),
      DefineReadPlaylist(),
      DefineStart(),
      Set("tracks", New("Array", {})),
      Set("order", New("Array", {})),
      Set("count", Num(0)),
      Set("cur", Num(0)),
      Set("listTop", Num(0)),
      Set("state", Num(kIdle)),
      Set("kind", Num(kNone)),
      Set("seq", Num(0)),
      Set("elapsed", Num(0)),
      Set("lastTick", GetTime()),
      Set("autostart", Bool(false)),
      Set("playall", Bool(false)),
      Set("loop", Bool(false)),
      Set("shuffle", Bool(false)),
      CallStmt("clearBands"),
  };
  for (Stmt& stmt : BuildFace()) program.push_back(std::move(stmt));
  const Block loading = {
      Set("playlist", New("XML", {})),
      SetMember(V("playlist"), "ignoreWhite", Bool(true)),
      SetMember(
          V("playlist"), "onLoad",
          Function({"ok"},
                   {
                       If(V("ok"), {CallStmt("start", {V("this")})},
                          {SetMember(V("titleText"), "text", Str("Cannot load playlist.xml"))}),
                   })),
      // Relative to the page that embeds the player.
      MethodStmt(V("playlist"), "load", {Str("playlist.xml")}),
      SetMember(V("_root"), "onEnterFrame", Function({}, {CallStmt("tick")})),
      Op(kActionStop),
  };
  for (const Stmt& stmt : loading) program.push_back(stmt);
  return program;
}

}  // namespace brelvano
