// The browser build's additions to emscripten's GLUT (library_glut.js),
// which has no game mode, no key-repeat switch, no window status and a loop
// of its own that suits the game badly: its idle function runs on a timer
// and its display function on animation frames, out of step with each
// other. Here the game's loop is the toolkit's as on the desktop: once per
// animation frame the idle step runs (one game tick, when one is due under
// the tick-rate cap), then the display step if a redraw was asked for.

var LibraryBurrikToolkit = {
  // SDL's sound for the browser calls the last two when they are there:
  // the audio context resumes at the player's first key or click.
  $BurrikToolkit__deps: ['$GLUT', '$Browser', '$autoResumeAudioContext', '$dynCall'],
  // Runs as the page loads, before main: the key-repeat filter must see the
  // keys before GLUT's own listeners, which glutInit adds.
  $BurrikToolkit__postset: 'BurrikToolkit.watchKeyRepeat(); BurrikToolkit.guardInputHandlers();',
  $BurrikToolkit: {
    ignoreKeyRepeat: false,
    redisplay: false,
    tickPeriodMs: 0,
    nextTickMs: null,
    fillsPage: false,
    windowSize: [800, 600],  // the canvas's size before it filled the page
    windowStatusFunc: 0,
    running: false,
    failed: false,  // the game threw: the loop stops, the page shows why

    // A held key sends repeated keydowns; with repeats ignored (as the game
    // asks) a held key is one press. Arrows and space never scroll the page.
    watchKeyRepeat: function() {
      if (typeof window == 'undefined') return;
      window.addEventListener('keydown', function(event) {
        if (BurrikToolkit.ignoreKeyRepeat && event.repeat) {
          event.stopImmediatePropagation();
          event.preventDefault();
        }
      }, true);
    },

    stopped: function() { return ABORT || runtimeExited || BurrikToolkit.failed; },

    // GLUT calls the game's key callbacks straight from its listeners; an
    // exit there (escape in the menu) ends the run like any other.
    guardInputHandlers: function() {
      ['onKeydown', 'onKeyup', 'onMouseButtonDown', 'onMouseButtonUp', 'onMousemove', 'onMouseWheel'].forEach(
        function(name) {
          var handler = GLUT[name];
          GLUT[name] = function(event) { BurrikToolkit.call(function() { handler(event); }); };
        });
    },

    // Calls into the game; exit() inside ends the run as it does anywhere
    // (it throws to get out of the game's stack).
    call: function(run) {
      if (BurrikToolkit.stopped()) return false;
      try {
        run();
      } catch (e) {
        if (!(e instanceof ExitStatus) && e != 'unwind') {
          BurrikToolkit.failed = true;
          throw e;
        }
      }
      return !BurrikToolkit.stopped();
    },

    // A tick is due when its period has passed since the last one, less a
    // quarter period for the animation frames' jitter; far behind (a long
    // load, a hidden tab) the count starts afresh.
    tickDue: function(now) {
      var period = BurrikToolkit.tickPeriodMs;
      if (period <= 0) return true;
      var next = BurrikToolkit.nextTickMs;
      if (next === null || now - next > period) next = now;
      if (now + period / 4 < next) return false;
      BurrikToolkit.nextTickMs = next + period;
      return true;
    },

    frame: function(now) {
      if (BurrikToolkit.stopped()) return;
      window.requestAnimationFrame(BurrikToolkit.frame);
      if (!BurrikToolkit.tickDue(now)) return;
      if (GLUT.idleFunc && !BurrikToolkit.call(function() { {{{ makeDynCall('v', 'GLUT.idleFunc') }}}(); })) return;
      if (BurrikToolkit.redisplay && GLUT.displayFunc) {
        BurrikToolkit.redisplay = false;
        BurrikToolkit.call(function() { {{{ makeDynCall('v', 'GLUT.displayFunc') }}}(); });
      }
    },

    reshape: function(width, height) {
      var canvas = Module['canvas'];
      if (canvas.width != width || canvas.height != height) {
        canvas.width = width;
        canvas.height = height;
      }
      if (GLUT.reshapeFunc) {
        BurrikToolkit.call(function() { {{{ makeDynCall('vii', 'GLUT.reshapeFunc') }}}(width, height); });
      }
      BurrikToolkit.redisplay = true;
    },

    fitPage: function() {
      BurrikToolkit.reshape(Math.max(1, window.innerWidth), Math.max(1, window.innerHeight));
    },

    // The emulation's shaders are rewritten as each program is linked, its
    // two shaders together, from the exact text the emulation writes (any
    // other source passes unchanged):
    //  - the texture coordinates are transformed by the texture matrix once
    //    a vertex instead of in every pixel: the same coordinates (the
    //    transform is linear, so it commutes with the interpolation), and a
    //    frame rasterised without a GPU (SwiftShader) takes a sixth less;
    //  - with a local viewer, the specular highlight's half vector takes the
    //    direction to the eye instead of the view axis;
    //  - with two-sided lighting, the vertex shader lights the back too,
    //    with the normal turned round, and a back-facing pixel takes that.
    kTextureUnits: 8,
    localViewer: false,
    twoSide: false,

    rewriteProgram: function(vertex, pixel) {
      if (vertex.indexOf('attribute vec4 a_position;') != 0 || pixel.indexOf('precision mediump float;\n') != 0) {
        return [vertex, pixel];
      }
      if (GLImmediate.useTextureMatrix) {
        for (var unit = 0; unit < BurrikToolkit.kTextureUnits; ++unit) {
          var matrix = 'u_textureMatrix' + unit;
          var vertexCopy = '  v_texCoord' + unit + ' = a_texCoord' + unit + ';';
          var pixelUse = '(' + matrix + ' * v_texCoord' + unit + ').xy';
          var pixelDeclaration = 'uniform mat4 ' + matrix + ';\n';
          if (vertex.indexOf(vertexCopy) < 0 || pixel.indexOf(pixelUse) < 0 || pixel.indexOf(pixelDeclaration) < 0) continue;
          vertex = 'uniform mat4 ' + matrix + ';\n' +
            vertex.replace(vertexCopy, '  v_texCoord' + unit + ' = ' + matrix + ' * a_texCoord' + unit + ';');
          pixel = pixel.split(pixelUse).join('v_texCoord' + unit + '.xy').replace(pixelDeclaration, '');
        }
      }
      if (BurrikToolkit.localViewer) {
        vertex = vertex.split('normalize(lightDirection + vec3(0,0,1))').join('normalize(lightDirection - normalize(ecPosition.xyz))');
      }
      var lightingStart = '  vec3 ecNormal = normalize(u_normalMatrix * a_normal);';
      var lightingEnd = '  v_color = clamp(v_color, 0.0, 1.0);';
      var from = vertex.indexOf(lightingStart);
      var to = vertex.indexOf(lightingEnd);
      var pixelMain = pixel.indexOf('void main()\n{\n');
      if (BurrikToolkit.twoSide && from >= 0 && to > from && pixelMain >= 0 && pixel.indexOf('varying vec4 v_color;') >= 0) {
        var front = vertex.substring(from, to + lightingEnd.length);
        var back = front.replace('vec3 ecNormal = normalize(', 'vec3 ecNormal = -normalize(').split('v_color').join('v_backColor');
        vertex = 'varying vec4 v_backColor;\n' +
          vertex.substring(0, to + lightingEnd.length) + '\n  {' + back + '  }' + vertex.substring(to + lightingEnd.length);
        var body = pixel.substring(pixelMain + 'void main()\n{\n'.length);
        pixel = pixel.substring(0, pixelMain).replace('precision mediump float;\n', 'precision mediump float;\nvarying vec4 v_backColor;\n') +
          'void main()\n{\n  vec4 litColor = gl_FrontFacing ? v_color : v_backColor;\n' + body.split('v_color').join('litColor');
      }
      return [vertex, pixel];
    },

    // Linking a program: its shaders rewritten first, and compiled again
    // if they changed.
    linkProgram: function(link, program) {
      var vertexShader = null;
      var pixelShader = null;
      (GLctx.getAttachedShaders(program) || []).forEach(function(shader) {
        if (GLctx.getShaderParameter(shader, GLctx.SHADER_TYPE) == GLctx.VERTEX_SHADER) vertexShader = shader;
        else pixelShader = shader;
      });
      if (vertexShader && pixelShader) {
        var vertex = GLctx.getShaderSource(vertexShader);
        var pixel = GLctx.getShaderSource(pixelShader);
        var rewritten = BurrikToolkit.rewriteProgram(vertex, pixel);
        if (rewritten[0] != vertex) {
          GLctx.shaderSource(vertexShader, rewritten[0]);
          GLctx.compileShader(vertexShader);
        }
        if (rewritten[1] != pixel) {
          GLctx.shaderSource(pixelShader, rewritten[1]);
          GLctx.compileShader(pixelShader);
        }
      }
      link.call(GLctx, program);
    },
  },

  // A new light model: the emulation's programs are made anew as they are
  // next needed, with it written in.
  // (GLImmediate comes with the emulation; naming it here would set it up
  // before its own dependencies.)
  burrik_web_gl_light_model__deps: ['$BurrikToolkit'],
  burrik_web_gl_light_model: function(localViewer, twoSide) {
    BurrikToolkit.localViewer = localViewer != 0;
    BurrikToolkit.twoSide = twoSide != 0;
    if (GLImmediate.lastRenderer) GLImmediate.lastRenderer.cleanup();
    if (GLImmediate.rendererCache) GLImmediate.rendererCache = GLImmediate.MapTreeLib.create();
    GLImmediate.currentRenderer = null;
  },

  burrik_toolkit_set_tick_rate__deps: ['$BurrikToolkit'],
  burrik_toolkit_set_tick_rate: function(ticksPerSecond) {
    BurrikToolkit.tickPeriodMs = ticksPerSecond > 0 ? 1000 / ticksPerSecond : 0;
    BurrikToolkit.nextTickMs = null;
  },

  // The drawing buffer is kept after each frame: the pause picture and the
  // screenshots read a finished frame back.
  glutCreateWindow__deps: ['$GLUT', '$Browser', '$BurrikToolkit', 'glMatrixMode', 'glLoadIdentity'],
  glutCreateWindow: function(name) {
    var mode = GLUT.initDisplayMode;
    var attributes = {
      antialias: (mode & 0x0080 /* GLUT_MULTISAMPLE */) != 0,
      depth: (mode & 0x0010 /* GLUT_DEPTH */) != 0,
      stencil: (mode & 0x0020 /* GLUT_STENCIL */) != 0,
      alpha: (mode & 0x0008 /* GLUT_ALPHA */) != 0,
      preserveDrawingBuffer: true,
    };
    Module.ctx = Browser.createContext(Module['canvas'], true, true, attributes);
    if (!Module.ctx) return 0;
    var link = GLctx.linkProgram;
    GLctx.linkProgram = function(program) { BurrikToolkit.linkProgram(link, program); };
    // The emulation's shaders take the texture matrix only once it has been
    // chosen, and keep the shaders made before without it (the sky's clouds
    // drift by the texture matrix): chosen once now, before any shader. And
    // it hands a shader the matrix only when it has changed since: loaded
    // now, so that the first shaders get it too (not a matrix of zeros).
    _glMatrixMode(0x1702 /* GL_TEXTURE */);
    _glLoadIdentity();
    _glMatrixMode(0x1700 /* GL_MODELVIEW */);
    return 1;
  },

  glutIdleFunc__deps: ['$GLUT'],
  glutIdleFunc: function(func) { GLUT.idleFunc = func; },

  glutPostRedisplay__deps: ['$BurrikToolkit'],
  glutPostRedisplay: function() { BurrikToolkit.redisplay = true; },

  // The browser shows the frame when the animation frame ends. The first
  // one's time since the page's navigation is kept for bench/web/measure.mjs.
  glutSwapBuffers: function() {
    if (Module['firstFrameMs'] === undefined) Module['firstFrameMs'] = performance.now();
  },

  glutMainLoop__deps: ['$BurrikToolkit', '$GLUT'],
  glutMainLoop: function() {
    var canvas = Module['canvas'];
    if (BurrikToolkit.fillsPage) BurrikToolkit.fitPage();
    else BurrikToolkit.reshape(canvas.width, canvas.height);
    if (!BurrikToolkit.running) {
      BurrikToolkit.running = true;
      window.requestAnimationFrame(BurrikToolkit.frame);
    }
    throw 'unwind';
  },

  glutIgnoreKeyRepeat__deps: ['$BurrikToolkit'],
  glutIgnoreKeyRepeat: function(ignore) { BurrikToolkit.ignoreKeyRepeat = ignore != 0; },

  // The page out of sight (another tab, a minimised window) is the window
  // hidden; back in sight it is fully shown.
  glutWindowStatusFunc__deps: ['$BurrikToolkit'],
  glutWindowStatusFunc: function(func) {
    if (!BurrikToolkit.windowStatusFunc) {
      document.addEventListener('visibilitychange', function() {
        var status = document.hidden ? 0 /* GLUT_HIDDEN */ : 1 /* GLUT_FULLY_RETAINED */;
        var callback = BurrikToolkit.windowStatusFunc;
        if (callback) BurrikToolkit.call(function() { {{{ makeDynCall('vi', 'callback') }}}(status); });
      });
    }
    BurrikToolkit.windowStatusFunc = func;
  },

  // No video modes in a page: the game falls back to a full-screen window,
  // which here is the canvas filling the page.
  glutGameModeString: function(string) {},
  glutGameModeGet: function(query) { return 0; },
  glutEnterGameMode: function() { return 0; },
  glutLeaveGameMode: function() {},

  glutFullScreen__deps: ['$BurrikToolkit'],
  glutFullScreen: function() {
    if (BurrikToolkit.fillsPage) return;
    BurrikToolkit.fillsPage = true;
    BurrikToolkit.windowSize = [Module['canvas'].width, Module['canvas'].height];
    Module['canvas'].classList.add('fills-page');
    window.addEventListener('resize', BurrikToolkit.fitPage);
    BurrikToolkit.fitPage();
  },

  // Back to the canvas's size before it filled the page (the window size
  // the game asked for).
  glutLeaveFullScreen__deps: ['$BurrikToolkit'],
  glutLeaveFullScreen: function() {
    if (!BurrikToolkit.fillsPage) return;
    BurrikToolkit.fillsPage = false;
    Module['canvas'].classList.remove('fills-page');
    window.removeEventListener('resize', BurrikToolkit.fitPage);
    var size = BurrikToolkit.windowSize;
    BurrikToolkit.reshape(size[0], size[1]);
  },
};

mergeInto(LibraryManager.library, LibraryBurrikToolkit);
