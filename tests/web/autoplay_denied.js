// Injected before any page script where the visitor has given no autoplay
// permission: headless Chromium lets every page start sound, so here every
// audio context stays suspended until a user gesture, as in a desktop
// browser's default policy. The native prototypes are patched, not only the
// constructor, because the runtime's WebAssembly glue calls them directly.
// A gesture is a trusted input event seen here: under automation
// navigator.userActivation.hasBeenActive is true before any input.
(() => {
  let gesture = false;
  const mark = (event) => {
    if (event.isTrusted) gesture = true;
  };
  for (const type of ['pointerdown', 'mousedown', 'keydown', 'touchend']) window.addEventListener(type, mark, true);
  const active = () => gesture;
  const base = window.BaseAudioContext.prototype;
  const state = Object.getOwnPropertyDescriptor(base, 'state');
  Object.defineProperty(base, 'state', {
    configurable: true,
    get() { return active() ? state.get.call(this) : 'suspended'; },
  });
  const resume = window.AudioContext.prototype.resume;
  window.AudioContext.prototype.resume = function () {
    return active() ? resume.call(this) : Promise.resolve();
  };
  const Native = window.AudioContext;
  const contexts = [];
  function GatedAudioContext(...args) {
    const context = new Native(...args);
    if (!active()) {
      context.suspend();
      contexts.push(context);
    }
    return context;
  }
  GatedAudioContext.prototype = Native.prototype;
  Object.setPrototypeOf(GatedAudioContext, Native);
  window.AudioContext = GatedAudioContext;
  window.webkitAudioContext = GatedAudioContext;
  // A context the page made before the gesture may keep running if the page
  // resumed it early through another path: hold every one suspended until then.
  const hold = setInterval(() => {
    if (active()) return clearInterval(hold);
    for (const context of contexts) if (state.get.call(context) === 'running') context.suspend();
  }, 20);
})();
