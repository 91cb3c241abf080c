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

  window.Module = {
    canvas: canvas,
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
