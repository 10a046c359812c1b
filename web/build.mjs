// Bundles the playground into OUT/site: web/src/main.js and the editor's
// packages (from OUT/npm/node_modules) into main.js, the examples of
// examples/ into it too, beside index.html, style.css and the toolchain
// zanfo.js of OUT/wasm.
//
//   node web/build.mjs OUT
import {createRequire} from 'node:module';
import fs from 'node:fs';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const web = path.dirname(fileURLToPath(import.meta.url));
const root = path.dirname(web);
const out = path.resolve(process.argv[2]);
const site = path.join(out, 'site');
const require = createRequire(path.join(out, 'npm', 'package.json'));
const esbuild = require('esbuild');

// The examples as a module: [{name, source, test, map, memory}], by name;
// the test file, JMAP mapping and memory image beside a source (NAME.test,
// NAME.map, NAME.hex) when there are.
const beside = (name, extension) => {
  const file = path.join(root, 'examples', name.replace(/\.zan$/, extension));
  return fs.existsSync(file) ? fs.readFileSync(file, 'latin1') : '';
};
const examples = fs.readdirSync(path.join(root, 'examples'))
  .filter(f => f.endsWith('.zan'))
  .sort()
  .map(name => ({
    name,
    source: fs.readFileSync(path.join(root, 'examples', name), 'latin1'),
    test: beside(name, '.test'),
    map: beside(name, '.map'),
    memory: beside(name, '.hex'),
  }));

fs.rmSync(site, {recursive: true, force: true});
fs.mkdirSync(site, {recursive: true});

await esbuild.build({
  entryPoints: [path.join(web, 'src', 'main.js')],
  bundle: true,
  minify: true,
  format: 'iife',
  target: ['es2020'],
  outfile: path.join(site, 'main.js'),
  nodePaths: [path.join(out, 'npm', 'node_modules')],
  legalComments: 'none',
  logLevel: 'warning',
  plugins: [{
    name: 'zanfo-examples',
    setup(build) {
      build.onResolve({filter: /^zanfo-examples$/}, () => ({path: 'examples', namespace: 'zanfo'}));
      build.onLoad({filter: /.*/, namespace: 'zanfo'}, () => ({
        contents: 'export default ' + JSON.stringify(examples) + ';',
        loader: 'js',
      }));
    },
  }],
});

for (const file of ['index.html', 'style.css']) fs.copyFileSync(path.join(web, file), path.join(site, file));
fs.copyFileSync(path.join(out, 'wasm', 'web', 'zanfo.js'), path.join(site, 'zanfo.js'));
