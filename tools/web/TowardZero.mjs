// Puts the game's floating-point mode into a linked WebAssembly module, after the link and its
// optimisation: in the functions of the given archives, each operation that rounds (f64 and
// f32 add, sub, mul, div, sqrt, the conversions from integers and to f32) becomes a call of
// the web build's operation for it (web/fpu/SoftFpu.cpp), which rounds as the register says.
// In the game's functions the ordered comparisons (<, <=, >, >=) become calls too, which trap
// on a NaN in the game's mode as the desktop's do. The library's own comparisons stay as they
// are: it compares quietly on purpose (std::isless and the like, which WebAssembly cannot tell
// apart from an ordinary <), because it runs in its caller's mode.
//
//   node TowardZero.mjs MODULE.wasm SYMBOL_MAP NM --game ARCHIVE... --library ARCHIVE...
//
// The functions are picked by name: those that the archives define (NM lists them), found in
// the module through the symbol map that the link wrote (index:name). Names, not places in the
// module, since the optimiser moves and merges code; code of other libraries (SDL, the
// decoders, the C library) is never picked, and an inlined copy of a library function in the
// game's code is the game's, as it is on the desktop.
import { execFileSync } from 'node:child_process';
import { readFileSync, renameSync, rmSync, writeFileSync } from 'node:fs';

const kArithmetic = {
  'f64.add': 'keldo_fpu_add',
  'f64.sub': 'keldo_fpu_sub',
  'f64.mul': 'keldo_fpu_mul',
  'f64.div': 'keldo_fpu_div',
  'f64.sqrt': 'keldo_fpu_sqrt',
  'f64.convert_i64_s': 'keldo_fpu_from_i64',
  'f64.convert_i64_u': 'keldo_fpu_from_u64',
  'f32.demote_f64': 'keldo_fpu_to_f32',
  'f32.add': 'keldo_fpu_addf',
  'f32.sub': 'keldo_fpu_subf',
  'f32.mul': 'keldo_fpu_mulf',
  'f32.div': 'keldo_fpu_divf',
  'f32.sqrt': 'keldo_fpu_sqrtf',
  'f32.convert_i32_s': 'keldo_fpu_f32_from_i32',
  'f32.convert_i32_u': 'keldo_fpu_f32_from_u32',
  'f32.convert_i64_s': 'keldo_fpu_f32_from_i64',
  'f32.convert_i64_u': 'keldo_fpu_f32_from_u64',
};
const kComparisons = {
  'f64.lt': 'keldo_fpu_lt',
  'f64.le': 'keldo_fpu_le',
  'f64.gt': 'keldo_fpu_gt',
  'f64.ge': 'keldo_fpu_ge',
  'f32.lt': 'keldo_fpu_ltf',
  'f32.le': 'keldo_fpu_lef',
  'f32.gt': 'keldo_fpu_gtf',
  'f32.ge': 'keldo_fpu_gef',
};

function fail(message) {
  console.error(`TowardZero: ${message}`);
  process.exit(1);
}

function parseArguments(argv) {
  const [wasm, symbolMap, nm, ...rest] = argv;
  if (!wasm || !symbolMap || !nm) {
    fail('usage: TowardZero.mjs MODULE.wasm SYMBOL_MAP NM --game ARCHIVE... --library ARCHIVE...');
  }
  const groups = { '--game': [], '--library': [] };
  let group = null;
  for (const arg of rest) {
    if (arg in groups) group = groups[arg];
    else if (group) group.push(arg);
    else fail(`an archive before --game or --library: ${arg}`);
  }
  return { wasm, symbolMap, nm, game: groups['--game'], library: groups['--library'] };
}

// The functions an archive defines, local ones among them, by the names the symbol map uses:
// demangled.
function definedFunctions(nm, archives) {
  const names = new Set();
  for (const archive of archives) {
    const listing = execFileSync(nm, ['--defined-only', '--demangle', '-P', archive], {
      encoding: 'utf8',
      maxBuffer: 1 << 28,
    });
    for (const line of listing.split('\n')) {
      const symbol = /^(.*) ([TtWw]) [0-9a-f]+( [0-9a-f]+)?$/.exec(line);
      if (symbol) names.add(symbol[1]);
    }
  }
  return names;
}

// index:name, with the characters outside a plain name written as \XX.
function readSymbolMap(path) {
  const byIndex = new Map();
  for (const line of readFileSync(path, 'utf8').split('\n')) {
    const colon = line.indexOf(':');
    if (colon > 0) {
      const name = line.slice(colon + 1).replace(/\\([0-9a-f]{2})/g, (_, hex) =>
        String.fromCharCode(parseInt(hex, 16)));
      byIndex.set(Number(line.slice(0, colon)), name);
    }
  }
  return byIndex;
}

const { wasm, symbolMap, nm, game, library } = parseArguments(process.argv.slice(2));
const gameNames = definedFunctions(nm, game);
const libraryNames = definedFunctions(nm, library);
const symbols = readSymbolMap(symbolMap);

const text = execFileSync('wasm-dis', [wasm], { encoding: 'utf8', maxBuffer: 1 << 30 });
const lines = text.split('\n');

// Without a name section the disassembly calls an import $fimport$N and a defined function $N,
// N counting the defined ones only; the symbol map counts the imports first.
const imports = lines.filter((line) => /^ \(import "[^"]*" "[^"]*" \(func /.test(line)).length;
function symbolOf(printed) {
  return /^\d+$/.test(printed) ? symbols.get(Number(printed) + imports) : printed;
}
// The operations are found by name in the symbol map, or else by their exports (the optimiser
// may have merged two of them into one function under one of their names; an optimised link
// may have shortened the exports' names, never the symbol map's).
const printedOf = new Map();
for (const line of lines) {
  const header = /^ \(func \$(\S+)/.exec(line);
  if (header) printedOf.set(symbolOf(header[1]), header[1]);
  const entry = /^ \(export "([^"]+)" \(func \$(\S+)\)\)/.exec(line);
  if (entry && !printedOf.has(entry[1])) printedOf.set(entry[1], entry[2]);
}
const helpers = {};
for (const helper of [...Object.values(kArithmetic), ...Object.values(kComparisons)]) {
  const printed = printedOf.get(helper);
  if (!printed) fail(`${wasm} has no ${helper}: is web/fpu/SoftFpu.cpp linked in?`);
  helpers[helper] = printed;
}
const helperFunctions = new Set(Object.values(helpers));

function pattern(table) {
  const ops = Object.keys(table).map((op) => op.replace('.', '\\.'));
  return new RegExp(`\\((${ops.join('|')})(?=[\\s)]|$)`, 'g');
}
const arithmeticPattern = pattern(kArithmetic);
const comparisonPattern = pattern(kComparisons);

let current = null;
const counts = { game: 0, library: 0, operations: 0 };
for (let i = 0; i < lines.length; ++i) {
  const line = lines[i];
  if (line.startsWith(' (')) {
    const header = /^ \(func \$(\S+)/.exec(line);
    const symbol = header ? symbolOf(header[1]) : null;
    current = gameNames.has(symbol) ? 'game' : libraryNames.has(symbol) ? 'library' : null;
    if (header && helperFunctions.has(header[1])) current = null;
    if (current) ++counts[current];
    continue;
  }
  if (!current) continue;
  // An integer of 64 bits goes to its operation as the bits of a double (see SoftFpu.h): the
  // operand is wrapped, up to the operation's own closing line, printed at its indentation.
  const wide = /^( *)\((f(?:64|32)\.convert_i64_[su])$/.exec(line);
  if (wide) {
    const [, indent, op] = wide;
    const close = lines.indexOf(`${indent})`, i + 1);
    if (close < 0) fail(`no end to the ${op} at line ${i + 1} of the disassembly`);
    lines[i] = `${indent}(call $${helpers[kArithmetic[op]]} (f64.reinterpret_i64`;
    lines[close] = `${indent}))`;
    ++counts.operations;
    continue;
  }
  let changed = line.replace(arithmeticPattern, (_, op) => {
    ++counts.operations;
    return `(call $${helpers[kArithmetic[op]]}`;
  });
  if (current === 'game') {
    changed = changed.replace(comparisonPattern, (_, op) => {
      ++counts.operations;
      return `(call $${helpers[kComparisons[op]]}`;
    });
  }
  lines[i] = changed;
}
if (counts.game + counts.library === 0) {
  fail(`none of the archives' functions is in ${wasm}: the symbol map does not match them`);
}

const rewritten = `${wasm}.tz.wat`;
const output = `${wasm}.tz`;
writeFileSync(rewritten, lines.join('\n'));
try {
  execFileSync('wasm-as', ['--all-features', rewritten, '-o', output], { stdio: 'inherit' });
} catch {
  fail(`wasm-as could not put ${wasm} back together`);
} finally {
  rmSync(rewritten, { force: true });
}
renameSync(output, wasm);
console.log(`TowardZero: ${counts.operations} operations in ${counts.game} functions of the game ` +
            `and ${counts.library} of the library now round as the game's mode says`);
