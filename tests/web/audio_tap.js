// Injected before any page script: every node that feeds an AudioContext's
// destination is also connected to one AnalyserNode per context, and every
// 100 ms the loudest context's RMS and dominant frequency are logged in
// window.__audioLog as {t (ms since page start), rms, freq (Hz)}.
(() => {
  const taps = new Map();
  const log = [];
  window.__audioLog = log;
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    const result = connect.call(this, target, ...rest);
    if (target instanceof AudioDestinationNode) {
      let tap = taps.get(this.context);
      if (!tap) {
        tap = this.context.createAnalyser();
        tap.fftSize = 8192;
        tap.smoothingTimeConstant = 0;
        taps.set(this.context, tap);
      }
      connect.call(this, tap);
    }
    return result;
  };
  const start = performance.now();
  setInterval(() => {
    let loudest = { rms: 0, freq: 0 };
    for (const [context, tap] of taps) {
      const wave = new Float32Array(tap.fftSize);
      tap.getFloatTimeDomainData(wave);
      let sum = 0;
      for (const v of wave) sum += v * v;
      const rms = Math.sqrt(sum / wave.length);
      const spectrum = new Float32Array(tap.frequencyBinCount);
      tap.getFloatFrequencyData(spectrum);
      let peak = 1;
      for (let i = 1; i < spectrum.length; i++) if (spectrum[i] > spectrum[peak]) peak = i;
      if (rms >= loudest.rms) loudest = { rms, freq: (peak * context.sampleRate) / tap.fftSize };
    }
    log.push({ t: performance.now() - start, ...loudest });
  }, 100);
})();
