// Action bytes of the AVM1 assembler and its structured layer, byte for byte.
#include "player_movie/avm1_assembler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "player_movie/avm1_script.h"

namespace brelvano {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Assemble(const avm1::Block& block, bool expectOk = true) {
  Avm1Assembler out;
  avm1::Emit(out, block);
  bool ok = false;
  Bytes bytes = out.Finish(&ok);
  EXPECT_EQ(ok, expectOk);
  return bytes;
}

TEST(Avm1Assembler, PushedValues) {
  Avm1Assembler out;
  out.PushString("\xC3\xA9t\xC3\xA9");  // UTF-8 as given
  out.PushNumber(-2);
  out.PushNumber(0.5);
  out.PushBoolean(true);
  out.PushNull();
  out.PushUndefined();
  bool ok = false;
  const Bytes expected = {
      0x96, 0x07, 0x00,                    // Push, 7 bytes
      0x00,                                // type string
      0xC3, 0xA9, 0x74, 0xC3, 0xA9, 0x00,  // "été", terminator
      0x96, 0x05, 0x00,                    // Push, 5 bytes
      0x07,                                // type integer
      0xFE, 0xFF, 0xFF, 0xFF,              // -2
      0x96, 0x09, 0x00,                    // Push, 9 bytes
      0x06,                                // type double
      0x00, 0x00, 0xE0, 0x3F,              // high word of 0.5 first
      0x00, 0x00, 0x00, 0x00,              // low word
      0x96, 0x02, 0x00,                    // Push, 2 bytes
      0x05, 0x01,                          // boolean true
      0x96, 0x01, 0x00,                    // Push, 1 byte
      0x02,                                // null
      0x96, 0x01, 0x00,                    // Push, 1 byte
      0x03,                                // undefined
      0x00,                                // ActionEnd
  };
  EXPECT_EQ(out.Finish(&ok), expected);
  EXPECT_TRUE(ok);
}

TEST(Avm1Assembler, BranchOffsetsCountFromTheEndOfTheBranch) {
  using namespace avm1;
  // while (i < 3) i = i + 1;
  const Bytes expected = {
      // top:
      0x96, 0x03, 0x00, 0x00, 'i', 0x00,   // Push "i"
      0x1C,                                // GetVariable
      0x96, 0x05, 0x00, 0x07, 3, 0, 0, 0,  // Push 3
      0x48,                                // Less2
      0x12,                                // Not
      0x9D, 0x02, 0x00,                    // If
      0x1C, 0x00,                          // +28: to done
      0x96, 0x03, 0x00, 0x00, 'i', 0x00,   // Push "i"
      0x96, 0x03, 0x00, 0x00, 'i', 0x00,   // Push "i"
      0x1C,                                // GetVariable
      0x96, 0x05, 0x00, 0x07, 1, 0, 0, 0,  // Push 1
      0x47,                                // Add2
      0x1D,                                // SetVariable
      0x99, 0x02, 0x00,                    // Jump
      0xCE, 0xFF,                          // -50: back to top
      // done:
      0x00,  // ActionEnd
  };
  EXPECT_EQ(Assemble({While(Var("i") < Num(3), {Set("i", Var("i") + Num(1))})}), expected);
}

TEST(Avm1Assembler, FunctionsAndCalls) {
  using namespace avm1;
  // o.f = function (a) { return a; }; o.f(7);
  const Bytes expected = {
      0x96, 0x03, 0x00, 0x00, 'o', 0x00,        // Push "o"
      0x1C,                                     // GetVariable
      0x96, 0x03, 0x00, 0x00, 'f', 0x00,        // Push "f"
      0x9B, 0x07, 0x00,                         // DefineFunction, 7 bytes of header
      0x00,                                     // no name: the function stays on the stack
      0x01, 0x00,                               // one parameter
      'a',  0x00,                               // "a"
      0x08, 0x00,                               // body of 8 bytes
      0x96, 0x03, 0x00, 0x00, 'a', 0x00,        //   Push "a"
      0x1C,                                     //   GetVariable
      0x3E,                                     //   Return
      0x4F,                                     // SetMember
      0x96, 0x05, 0x00, 0x07, 7,   0,    0, 0,  // Push 7 (the last argument first)
      0x96, 0x05, 0x00, 0x07, 1,   0,    0, 0,  // Push 1 (argument count)
      0x96, 0x03, 0x00, 0x00, 'o', 0x00,        // Push "o"
      0x1C,                                     // GetVariable
      0x96, 0x03, 0x00, 0x00, 'f', 0x00,        // Push "f"
      0x52,                                     // CallMethod
      0x17,                                     // Pop
      0x00,                                     // ActionEnd
  };
  EXPECT_EQ(Assemble({SetMember(Var("o"), "f", Function({"a"}, {Return(Var("a"))})),
                      Do(Method(Var("o"), "f", {Num(7)}))}),
            expected);
}

TEST(Avm1Assembler, LoadMovieNumAsGetUrl2) {
  Avm1Assembler out;
  out.PushString("a.swf");
  out.PushString("_level1");
  out.GetUrl2(0);
  bool ok = false;
  const Bytes bytes = out.Finish(&ok);
  ASSERT_TRUE(ok);
  const Bytes tail = {0x9A, 0x01, 0x00, 0x00, 0x00};  // GetURL2, 1 byte, flags 0; ActionEnd
  EXPECT_EQ(Bytes(bytes.end() - 5, bytes.end()), tail);
}

TEST(Avm1Assembler, UnfinishedProgramsAreRefused) {
  const struct {
    const char* what;
    void (*build)(Avm1Assembler&);
  } cases[] = {
      {"label never bound", [](Avm1Assembler& out) { out.Jump(out.NewLabel()); }},
      {"label bound twice",
       [](Avm1Assembler& out) {
         const auto label = out.NewLabel();
         out.Bind(label);
         out.Bind(label);
       }},
      {"function left open", [](Avm1Assembler& out) { out.BeginFunction("f", {}); }},
      {"function closed twice",
       [](Avm1Assembler& out) {
         out.BeginFunction("f", {});
         out.EndFunction();
         out.EndFunction();
       }},
      {"branch beyond 32767 bytes",
       [](Avm1Assembler& out) {
         const auto label = out.NewLabel();
         out.Jump(label);
         for (int i = 0; i < 33000; ++i) out.Op(kActionPop);
         out.Bind(label);
       }},
  };
  for (const auto& c : cases) {
    Avm1Assembler out;
    c.build(out);
    bool ok = true;
    out.Finish(&ok);
    EXPECT_FALSE(ok) << c.what;
  }
}

}  // namespace
}  // namespace brelvano
