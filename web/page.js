// The page around the game: where its picture and messages go, fullscreen, and what the
// player sees while it loads or after it stops.
'use strict';

(function () {
  const canvas = document.getElementById('canvas');
  const status = document.getElementById('status');

  function toggleFullscreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen();
    } else {
      document.documentElement.requestFullscreen().catch(() => {});
    }
  }

  // Taken before the game's own key handling sees them: F11 makes the whole page
  // fullscreen (bars and the controls line included), and Escape, which ends the game on
  // the desktop, only leaves fullscreen here, as the browser does anyway.
  window.addEventListener('keydown', (event) => {
    if (event.key === 'F11') {
      event.preventDefault();
      event.stopImmediatePropagation();
      if (!event.repeat) {
        toggleFullscreen();
      }
    } else if (event.key === 'Escape') {
      event.stopImmediatePropagation();
    }
  }, true);
  window.addEventListener('keyup', (event) => {
    if (event.key === 'F11' || event.key === 'Escape') {
      event.stopImmediatePropagation();
    }
  }, true);
  document.getElementById('fullscreen').addEventListener('click', (event) => {
    event.currentTarget.blur();
    toggleFullscreen();
  });

  // The game keeps its saved data where a desktop keeps it, in the home folder. On the page
  // that folder is in the browser's storage: read before the game starts, written back after
  // every save (which ends with a rename). A screenshot (F12) is offered as a download.
  const home = '/home/web_user';
  const saves = home + '/.local/share';
  const pictures = home + '/Pictures';
  function download(path) {
    const FS = Module.FS;
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([FS.readFile(path)], { type: 'image/png' }));
    link.download = path.slice(path.lastIndexOf('/') + 1);
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    FS.unlink(path);
  }
  function keepSaves() {
    const FS = Module.FS;
    FS.mkdirTree(saves);
    FS.mkdirTree(pictures);
    FS.mount(FS.filesystems.IDBFS, {}, saves);
    Module.addRunDependency('saves');
    FS.syncfs(true, (error) => {
      if (error) console.warn('keldo: the saved data could not be read from the browser');
      Module.removeRunDependency('saves');
    });
    const rename = FS.rename;
    FS.rename = function (from, to) {
      rename.call(FS, from, to);
      if (to.startsWith(saves + '/')) {
        FS.syncfs(false, (error) => {
          if (error) console.warn('keldo: the saved data could not be kept in the browser');
        });
      } else if (to.startsWith(pictures + '/')) {
        download(to);
      }
    };
  }

  window.Module = {
    canvas: canvas,
    preRun: [keepSaves],
    print: (text) => console.log(text),
    printErr: (text) => console.error(text),
    setStatus: (text) => {
      status.textContent = text ? text.replace(/\(.*\)$/, '').trim() : '';
    },
    // Each frame, as the game hands the browser its turn. The first one clears the loading
    // line; the count and the time of the first are there for whoever measures the page.
    onFrame: () => {
      if (window.keldoFrames === undefined) {
        window.keldoFirstFrameMs = performance.now();
        window.keldoFrames = 0;
        status.textContent = '';
      }
      window.keldoFrames++;
    },
    // The game has ended (an error, or the frame limit of an automated run).
    onExit: (code) => {
      status.textContent = code === 0 ? 'game over: reload the page to play again'
                                      : 'the game stopped: reload the page';
    },
  };
})();
