#!/usr/bin/env node
// A stand-in for ravelin-jet, used only to prove the differential harness:
// it follows ravelin-jet's command-line contract but takes its values from
// the readers themselves (mdb-reader, and mdb-export for the tables mdb-reader
// cannot open). The harness must accept
// it on every test file, and must reject it when RAVELIN_STAND_IN_FAULT names
// one of the faults below, each a mistake a real engine could make.
//
//   stand-in-tool.mjs tables [--system] FILE
//   stand-in-tool.mjs export FILE TABLE
import { existsSync } from "node:fs";
import { openWithMdbReader } from "../../oracle/mdbreader.mjs";
import { mdbtoolsExport, mdbtoolsColumnTypes } from "../mdbtools.mjs";
import { jetMillisecondsFromLinear } from "../rules.mjs";
import { readerIndexInStoredOrder, tableDefinitionPages } from "../stored-order.mjs";

const fault = process.env.RAVELIN_STAND_IN_FAULT ?? "";

function die(message) {
    process.stderr.write(`stand-in: ${message}\n`);
    process.exit(fault === "errors-exit-0" ? 0 : 1);
}

// ---- formatting per the contract ------------------------------------------
const quote = (s) => `"${s.replaceAll('"', '""')}"`;
const pad = (n, w = 2) => String(n).padStart(w, "0");

function shortestFloat32(x) {
    if (!Number.isFinite(x) || x === 0) return String(x);
    for (let p = 1; p <= 9; p++) {
        const s = x.toPrecision(p);
        if (Math.fround(Number(s)) === x) return String(Number(s));
    }
    return String(x);
}

function formatDate(date) {
    let ms = jetMillisecondsFromLinear(date.getTime());
    if (fault === "date-off-by-one-ms") ms += 1;
    const d = new Date(ms);
    let text = `${pad(d.getUTCFullYear(), 4)}-${pad(d.getUTCMonth() + 1)}-${pad(d.getUTCDate())} ` +
        `${pad(d.getUTCHours())}:${pad(d.getUTCMinutes())}:${pad(d.getUTCSeconds())}`;
    if (d.getUTCMilliseconds() || fault === "date-always-ms") text += `.${pad(d.getUTCMilliseconds(), 3)}`;
    return text;
}

function formatDecimal(text, scale) {
    const [whole, fraction = ""] = String(text).split(".");
    if (fault === "currency-two-digits" && scale === 4) return `${whole}.${fraction.padEnd(4, "0").slice(0, 2)}`;
    return scale ? `${whole}.${fraction.padEnd(scale, "0")}` : whole;
}

function formatValue(value, column) {
    if (value === null || value === undefined) return fault === "null-text-as-empty" && column.type === "text" ? '""' : "";
    switch (column.type) {
        case "boolean": return fault === "boolean-words" ? (value ? "TRUE" : "FALSE") : value ? "1" : "0";
        case "byte": case "integer": case "long": case "bigint": return String(value);
        case "float": return shortestFloat32(value);
        case "double": return fault === "double-17-digits" && !Number.isInteger(value) ? value.toPrecision(17) : String(value);
        case "currency": return formatDecimal(value, 4);
        case "numeric": return formatDecimal(value, column.scale ?? 0);
        case "datetime": return formatDate(value);
        case "text": case "memo": {
            let s = value;
            if (fault === "text-cut-at-nul" && s.includes("\u0000")) s = s.slice(0, s.indexOf("\u0000"));
            return fault === "text-unquoted" ? s : quote(s);
        }
        case "binary": case "ole": {
            let hex = Buffer.from(value).toString("hex");
            if (fault === "binary-cut-at-zero") hex = hex.match(/^(?:[0-9a-f]{2})*?(?=00|$)/)[0];
            return fault === "binary-upper-case" ? hex.toUpperCase() : hex;
        }
        case "complex": return fault === "complex-as-number" ? String(value.length) : quote(value.map((a) => a.name).join("; "));
        case "repid": {
            const g = String(value).toUpperCase();
            return `{${fault === "guid-lower-case" ? g.toLowerCase() : g}}`;
        }
        default: return "";
    }
}

// ---- the two commands ------------------------------------------------------
function tables(file, system) {
    let names = openWithMdbReader(file).tableNames(system);
    if (!system && fault !== "user-tables-by-flags") names = names.filter((n) => !/^msys/i.test(n));
    if (fault === "tables-miss-one") names = names.slice(1);
    process.stdout.write(names.map((n) => `${n}\n`).join(""));
}

function exportTable(file, table) {
    const reader = openWithMdbReader(file);
    if (!reader.tableNames(true).includes(table)) die(`no table ${table} in ${file}`);
    const fromMdbtools = mdbtoolsExport(file, table);
    let columns, rows;
    try {
        ({ columns, rows } = reader.table(table));
    } catch {
        // Tables mdb-reader cannot open: mdb-export's fields, typed by mdb-schema.
        const types = mdbtoolsColumnTypes(file, table);
        columns = fromMdbtools.header.map((name) => ({ name, type: types.get(name) ?? "unknown" }));
        rows = fromMdbtools.rows.map((r) => r.map((f) => (f.text === "" && !f.quoted ? null : f.text)));
        columns.forEach((c, j) => {
            if (c.type === "long") rows.forEach((r) => { if (r[j] !== null) r[j] = Number(r[j]); });
        });
    }
    let lines = rows.map((row) => row.map((v, j) => formatValue(v, columns[j])).join(","));
    const order = readerIndexInStoredOrder(file, tableDefinitionPages(reader).get(table), lines.length);
    if (order && fault !== "rows-in-reader-order") lines = order.map((i) => lines[i]);
    if (fault === "drop-last-row" && lines.length > 1) lines = lines.slice(0, -1);
    if (fault === "swap-first-rows" && lines.length > 1) [lines[0], lines[1]] = [lines[1], lines[0]];
    const end = fault === "lf-line-ends" ? "\n" : "\r\n";
    process.stdout.write([columns.map((c) => quote(c.name)).join(","), ...lines].map((l) => l + end).join(""));
}

const [command, ...rest] = process.argv.slice(2);
const system = rest[0] === "--system";
const args = system ? rest.slice(1) : rest;
if (!existsSync(args[0] ?? "")) die(`cannot open ${args[0]}`);
try {
    if (command === "tables") tables(args[0], system);
    else if (command === "export" && args.length === 2) exportTable(args[0], args[1]);
    else die("usage: tables [--system] FILE | export FILE TABLE");
} catch (e) {
    die(e.message);
}
