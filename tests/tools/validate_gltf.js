// Checks a glTF file with the format's own validator; prints its findings
// and exits 1 when it reports an error, 2 when it could not run.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require(path.join(__dirname, '../../tools/npm/node_modules/gltf-validator'));

const file = process.argv[2];
if (!file) {
    console.error('usage: validate_gltf.js FILE');
    process.exit(2);
}
const folder = path.dirname(file);
validator
    .validateBytes(new Uint8Array(fs.readFileSync(file)), {
        uri: path.basename(file),
        externalResourceFunction: (uri) =>
            new Promise((resolve, reject) => {
                fs.readFile(path.join(folder, decodeURIComponent(uri)), (err, data) =>
                    err ? reject(err.toString()) : resolve(new Uint8Array(data)));
            }),
    })
    .then((report) => {
        const issues = report.issues;
        for (const m of issues.messages) console.log(`${m.severity === 0 ? 'error' : 'note'} ${m.code} ${m.pointer || ''} ${m.message}`);
        console.log(`errors ${issues.numErrors} warnings ${issues.numWarnings}`);
        process.exit(issues.numErrors === 0 ? 0 : 1);
    })
    .catch((e) => {
        console.error(String(e));
        process.exit(2);
    });
