#!/usr/bin/env node
// Validates .glb files with the Khronos glTF validator. Prints one line per file
// with its counts of errors and warnings, the messages of every error, and exits
// with status 1 when any file has an error (2 when a file cannot be read).
//
//   node tools/gltf-validate/validate.js FILE.glb [FILE.glb ...]
'use strict';
const fs = require('fs');
const validator = require('gltf-validator');

async function main(files) {
    let failed = false;
    for (const file of files) {
        let bytes;
        try {
            bytes = new Uint8Array(fs.readFileSync(file));
        } catch (e) {
            console.log(`${file}: cannot be read (${e.message})`);
            process.exitCode = 2;
            return;
        }
        const report = await validator.validateBytes(bytes, {maxIssues: 100});
        const issues = report.issues;
        console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings`);
        for (const m of issues.messages) {
            if (m.severity <= 1) console.log(`  ${m.severity === 0 ? 'error' : 'warning'} ${m.code} ${m.pointer || ''}: ${m.message}`);
        }
        if (issues.numErrors > 0) failed = true;
    }
    process.exitCode = failed ? 1 : 0;
}

if (process.argv.length < 3) {
    console.log('usage: node validate.js FILE.glb [FILE.glb ...]');
    process.exitCode = 2;
} else {
    main(process.argv.slice(2)).catch((e) => {
        console.log(`validator failed: ${e.message}`);
        process.exitCode = 2;
    });
}
