#!/usr/bin/env node
// Proves the differential harness before it judges our engine: compare.mjs
// must accept a tool that follows the contract with the readers' own values
// (stand-in-tool.mjs), and must reject that tool, with the expected message,
// for each fault injected into it.
//
//   node check-harness.mjs --testdata DIR
import { spawnSync } from "node:child_process";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

const here = dirname(fileURLToPath(import.meta.url));
const compare = join(here, "..", "compare.mjs");
const standIn = join(here, "stand-in-tool.mjs");

const argv = process.argv.slice(2);
const testdata = argv[argv.indexOf("--testdata") + 1];
if (argv.indexOf("--testdata") < 0 || !testdata) {
    console.error("usage: check-harness.mjs --testdata DIR");
    process.exit(2);
}
const access = (name) => join(testdata, "access", name);

// Files whose every table the stand-in must pass: all column types, GUIDs,
// complex columns, each kind of known disagreement, a table mdb-reader
// cannot open, and an enciphered workgroup file.
// [file, table or null for all]
const clean = [[access("testV2000.mdb"), null], [access("indexTestV2000.mdb"), null],
    [access("indexTestV2007.accdb"), null], [access("testV1997.mdb"), null],
    [join(testdata, "workgroup", "system.mdw"), null], [access("overflowTestV2000.mdb"), "Table1"]];

// fault, file, table, a fragment the failure message must contain
const faults = [
    ["lf-line-ends", "testV2000.mdb", "Table1", "must end with"],
    ["drop-last-row", "testV2000.mdb", "Table1", "engine has 1 rows, the readers 2"],
    ["swap-first-rows", "testV2000.mdb", "Table1", "Table1.A row 1 (text): engine \"a\""],
    ["date-off-by-one-ms", "testV2000.mdb", "Table1", "Table1.G row 1 (datetime): engine 1974-09-21 00:00:00.001, mdb-reader"],
    ["date-always-ms", "testV2000.mdb", "Table1", "is not an unquoted YYYY-MM-DD HH:MM:SS[.mmm] date"],
    ["currency-two-digits", "testV2000.mdb", "Table1", "Table1.H row 1: engine wrote \"3.50\""],
    ["boolean-words", "testV2000.mdb", "Table1", "Table1.I row 1: engine wrote \"TRUE\""],
    ["double-17-digits", "testV2000.mdb", "Table1", "not the shortest text for its value"],
    ["text-unquoted", "testV2000.mdb", "Table1", "is not quoted text"],
    // mdb-export writes empty text as it writes Null: mdb-reader tells them apart.
    ["null-text-as-empty", "testV2000.mdb", "MSysObjects", "engine \"\", mdb-reader Null"],
    ["binary-upper-case", "testV2000.mdb", "MSysObjects", "is not lower-case hex"],
    ["text-cut-at-nul", "indexTestV2000.mdb", "MSysNameMap", "MSysNameMap.Name row 1 (text): engine \"Table1\", mdb-reader \"Table1\\u0000\""],
    ["binary-cut-at-zero", "indexTestV2000.mdb", "MSysACEs", "MSysACEs.SID row 12 (binary): engine ac39, mdb-reader ac3900"],
    ["complex-as-number", "indexTestV2007.accdb", "MSysResources", "MSysResources.Data row 1: engine wrote \"1\" is not quoted text"],
    ["guid-lower-case", "indexTestV2000.mdb", "MSysNameMap", "is not an upper-case {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"],
    ["rows-in-reader-order", "overflowTestV2000.mdb", "Table1", "Table1.data1 row 3 (text): engine \"row4col1\", mdb-export Null"],
    ["user-tables-by-flags", "delTestV2007.accdb", "Table", "user tables: engine lists [Table,MSysCompactError]"],
    ["tables-miss-one", "testV2000.mdb", "Table1", "user tables: engine lists"],
    ["errors-exit-0", "testV2000.mdb", "Table1", "export of a table that does not exist: expected exit 1"],
];

function runCompare(file, table, fault, extraEnv = {}) {
    const args = [compare, "--tool", standIn, "--file", file, ...(table ? ["--table", table] : [])];
    const env = { ...process.env, ...extraEnv };
    if (fault) env.RAVELIN_STAND_IN_FAULT = fault;
    else delete env.RAVELIN_STAND_IN_FAULT;
    const r = spawnSync(process.execPath, args, { env, encoding: "utf8", maxBuffer: 1 << 28 });
    return { status: r.status, output: `${r.stdout}${r.stderr}` };
}

let passed = 0, failed = 0;
function verdict(ok, what, output) {
    if (ok) passed++;
    else failed++;
    console.log(`${ok ? "ok  " : "FAIL"} ${what}`);
    if (!ok) console.log(output.split("\n").map((l) => `      ${l}`).join("\n"));
}

for (const [file, table] of clean) {
    const r = runCompare(file, table, null);
    verdict(r.status === 0, `accepts the contract-following stand-in on ${file}${table ? ` ${table}` : ""}`, r.output);
}
for (const [fault, file, table, fragment] of faults) {
    const r = runCompare(access(file), table, fault);
    verdict(r.status === 1 && r.output.includes(fragment), `rejects fault ${fault} (${file} ${table})`, r.output);
}
{
    // Without mdbtools on the PATH the test must fail and say why, never pass or skip.
    const r = runCompare(access("testV2000.mdb"), "Table1", null, { PATH: "/nonexistent" });
    verdict(r.status === 1 && r.output.includes("oracle missing: mdb-export not found"),
        "fails clearly when mdb-export is missing", r.output);
}
console.log(`${passed} passed, ${failed} failed`);
process.exitCode = failed ? 1 : 0;
