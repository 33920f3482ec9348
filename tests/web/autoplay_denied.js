// Injected before any page script where the visitor has given no autoplay
// permission: headless Chromium lets every page start sound, so an audio
// context here starts suspended and resumes only after a user gesture, as
// in a desktop browser's default policy.
(() => {
  const Native = window.AudioContext;
  class GestureGatedAudioContext extends Native {
    constructor(...args) {
      super(...args);
      if (!navigator.userActivation.hasBeenActive) super.suspend();
    }
    get state() {
      return navigator.userActivation.hasBeenActive ? super.state : 'suspended';
    }
    resume() {
      return navigator.userActivation.hasBeenActive ? super.resume() : Promise.resolve();
    }
  }
  window.AudioContext = GestureGatedAudioContext;
  window.webkitAudioContext = GestureGatedAudioContext;
})();
