// Under node the program sees the host's environment, so TOLVEX_* settings work as on the
// desktop; the files it names are the host's own (NODERAWFS), and the Data folder is the
// one beside this program.
Module['dataFolder'] = require('path').join(__dirname, 'Data') + '/';
// Read here: node's own fetch, which the runtime would try first, takes no file paths.
Module['wasmBinary'] = require('fs').readFileSync(require('path').join(__dirname, 'keldo-node.wasm'));
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  for (var name in process.env) {
    ENV[name] = process.env[name];
  }
});

// No sound under node: a silent stand-in for the browser's audio, which SDL's web driver opens
// and never hears from, so that the sounds are still decoded and a broken one still fails.
if (typeof AudioContext === 'undefined') {
  globalThis.AudioContext = class SilentAudioContext {
    constructor() {
      this.sampleRate = 44100;
      this.state = 'running';
      this.destination = {};
    }
    createScriptProcessor() {
      return { connect() {}, disconnect() {} };
    }
    resume() {
      return Promise.resolve();
    }
    suspend() {
      return Promise.resolve();
    }
    close() {
      this.state = 'closed';
      return Promise.resolve();
    }
  };
  // SDL looks for a microphone there; node has none.
  if (typeof navigator === 'undefined') globalThis.navigator = {};
  // Made here, so that SDL does not wait for a key press on a page that does not exist.
  Module['SDL2'] = { audioContext: new AudioContext() };
}
