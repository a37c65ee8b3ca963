// The first independent reader of the differential test: mdbtools (Debian
// package mdbtools), run as programs.
//
// mdb-export is asked for:
//   -b hex                        binary and OLE as hexadecimal text (upper case);
//                                 note that it hex-encodes the text form of a GUID too
//   -D / -T '%Y-%m-%d %H:%M:%S'   full four-digit years; it has no sub-second field
// and otherwise keeps its defaults: a header line, comma, LF after each record,
// text, memo, date, binary and GUID fields quoted with doubled inner quotes,
// booleans 1/0, Null as an empty unquoted field.
// Jet 3 text is decoded as Windows-1252 and everything is written as UTF-8,
// whatever the caller's locale.
import { spawnSync } from "node:child_process";
import { parseCsv } from "./csv.mjs";

const env = { ...process.env, LC_ALL: "C.UTF-8", MDB_JET3_CHARSET: "CP1252", MDBICONV: "UTF-8" };
const dateFormat = "%Y-%m-%d %H:%M:%S";

export class OracleMissing extends Error {}

function run(program, args) {
    const r = spawnSync(program, args, { env, encoding: "utf8", maxBuffer: 1 << 30 });
    if (r.error && r.error.code === "ENOENT") {
        throw new OracleMissing(`${program} not found: install the Debian package mdbtools`);
    }
    if (r.error) throw r.error;
    if (r.status !== 0) {
        throw new Error(`${program} ${args.join(" ")} failed (exit ${r.status}): ${r.stderr.trim()}`);
    }
    return r.stdout;
}

export function mdbtoolsVersion() {
    return run("mdb-export", ["--version"]).trim();
}

// Table names in catalogue order, user tables only or all.
export function mdbtoolsTableNames(file, includeSystem) {
    const args = ["-1", ...(includeSystem ? ["-S"] : []), file];
    return run("mdb-tables", args).split("\n").filter((n) => n !== "");
}

// { header: [name], rows: [[{text, quoted}]] }
export function mdbtoolsExport(file, table) {
    const out = run("mdb-export", ["-b", "hex", "-D", dateFormat, "-T", dateFormat, file, table]);
    const [header, ...rows] = parseCsv(out, "\n");
    return { header: header.map((f) => f.text), rows };
}

// Column types from mdb-schema, for tables that mdb-reader cannot open.
// Only the types this test knows are mapped; others come back as "unknown".
const schemaTypes = [
    [/^Boolean/, "boolean"], [/^Byte/, "byte"], [/^Integer/, "integer"],
    [/^Long Integer/, "long"], [/^Currency/, "currency"], [/^Single/, "float"],
    [/^Double/, "double"], [/^DateTime/, "datetime"], [/^Binary/, "binary"],
    [/^Text/, "text"], [/^OLE/, "ole"], [/^Memo/, "memo"],
    [/^Replication ID/, "repid"], [/^Numeric/, "numeric"], [/^Unknown_0012/, "complex"],
    [/^Unknown_0013/, "bigint"], [/^Unknown_0014/, "datetimextended"],
];

export function mdbtoolsColumnTypes(file, table) {
    const out = run("mdb-schema", ["-T", table, file, "access"]);
    const types = new Map();
    for (const line of out.split("\n")) {
        const m = /^\s*\[(.*)\]\s+(.*?),?\s*$/.exec(line);
        if (!m || line.includes("CREATE TABLE")) continue;
        const found = schemaTypes.find(([re]) => re.test(m[2]));
        types.set(m[1], found ? found[1] : "unknown");
    }
    return types;
}
