#!/usr/bin/env node
// The engine's differential test for one Access file: every table our engine
// reads must hold the same rows, value for value and in stored order, as the
// two independent readers mdbtools (mdb-export) and mdb-reader read.
//
//   node compare.mjs --tool path/to/ravelin-jet --file db.mdb
//   node compare.mjs --oracles-only --file db.mdb   (the two readers against
//                                                  each other, no engine)
//   --table NAME compares that one table only (table lists and errors are
//   still checked).
//
// Which tables: every table mdbtools lists with its system tables (-S), the
// MSys* tables included; the two readers list the same ones for every test
// file. A table mdb-reader cannot open (Jet 4 MSysAccessObjects, whose Data
// column has type 0x11) is compared with mdb-export alone, column types then
// taken from mdb-schema. A column neither reader decodes is checked for
// well-formed output only, and counted as unverified.
//
// Which values: see rules.mjs for each type. Where the readers disagree with
// each other, known-disagreements.mjs says which one the file's bytes support;
// our engine is compared with that one. A disagreement not listed there fails.
//
// Rows: compared in stored order, which our engine keeps. Both readers give a
// row that grew and moved to another page where it now lies rather than at its
// home slot; for tables with such rows their order is mapped back to stored
// order from the data pages' slot tables (stored-order.mjs).
//
// Exit status: 0 when everything matched, 1 otherwise (a missing reader fails
// the test; it never skips).
import { basename } from "node:path";
import { mdbtoolsExport, mdbtoolsTableNames, mdbtoolsColumnTypes, mdbtoolsVersion, OracleMissing } from "./mdbtools.mjs";
import { engineExport, engineTableNames, runEngine, EngineFailure } from "./engine.mjs";
import { readEngine, readMdbtools, readMdbReader, sameValue, NOT_EXPOSED, FormatError } from "./rules.mjs";
import { parseCsv } from "./csv.mjs";
import { readerIndexInStoredOrder, tableDefinitionPages } from "./stored-order.mjs";
import { disagreementFor, disagreementsFor, checkEvidence, kinds } from "./known-disagreements.mjs";

const MAX_REPORTED_PER_TABLE = 25;

function parseArgs(argv) {
    const args = { tool: null, file: null, table: null, oraclesOnly: false };
    for (let i = 0; i < argv.length; i++) {
        if (argv[i] === "--tool") args.tool = argv[++i];
        else if (argv[i] === "--file") args.file = argv[++i];
        else if (argv[i] === "--table") args.table = argv[++i];
        else if (argv[i] === "--oracles-only") args.oraclesOnly = true;
        else throw new Error(`unknown argument ${argv[i]}`);
    }
    if (!args.file || (!args.tool && !args.oraclesOnly)) {
        throw new Error("usage: compare.mjs (--tool RAVELIN_JET | --oracles-only) --file DATABASE");
    }
    return args;
}

async function loadMdbReader() {
    try {
        return (await import("../oracle/mdbreader.mjs")).openWithMdbReader;
    } catch (e) {
        throw new OracleMissing(`mdb-reader cannot be loaded (${e.code ?? e.message}): run "npm ci" in tests/jet/oracle`);
    }
}

class Report {
    constructor() {
        this.failures = [];
        this.total = 0;
        this.tableFailures = 0;
        this.checked = 0;
        this.unverified = 0;
        this.notes = [];
    }
    fail(message) {
        this.total++;
        this.tableFailures++;
        if (this.tableFailures <= MAX_REPORTED_PER_TABLE) this.failures.push(message);
        else if (this.tableFailures === MAX_REPORTED_PER_TABLE + 1) this.failures.push("  ... (further failures in this table not shown)");
    }
    startTable() {
        this.tableFailures = 0;
    }
}

function sameList(a, b) {
    const sa = [...a].sort(), sb = [...b].sort();
    return sa.length === sb.length && sa.every((x, i) => x === sb[i]);
}

// Column names and types of a table, from mdb-reader when it can open the
// table, otherwise from mdb-export's header and mdb-schema.
function tableColumns(file, table, reader, mdbtools) {
    if (reader.ok) return reader.columns;
    const types = mdbtoolsColumnTypes(file, table);
    return mdbtools.header.map((name) => ({ name, type: types.get(name) ?? "unknown" }));
}

// The reference meaning(s) our engine's value must match for one cell: both
// readers when they agree; the trusted one of a known disagreement; none when
// they disagree in a way not listed (which fails).
function references(cell, known, report, where) {
    const { m, r } = cell;
    const exposed = [["mdb-export", m], ["mdb-reader", r]].filter(([, v]) => v !== undefined && v !== NOT_EXPOSED);
    if (exposed.length < 2) return exposed;
    if (sameValue(m, r, cell.column)) {
        if (known && Array.isArray(known.rows)) report.fail(`${where}: listed as a known disagreement, but the readers agree (${m.text})`);
        return exposed;
    }
    if (!known) {
        report.fail(`${where}: the readers disagree and this is not a known disagreement: mdb-export ${m.text}, mdb-reader ${r.text}`);
        return [];
    }
    if (!kinds[known.kind](m, r)) {
        report.fail(`${where}: the readers disagree, but not as the known disagreement "${known.kind}" says: ` +
            `mdb-export ${m.text}, mdb-reader ${r.text}`);
        return [];
    }
    known.seen = true;
    return exposed.filter(([who]) => who === known.trust);
}

function compareTable(ctx, table) {
    const { file, tool, report, openReader } = ctx;
    const mdbtools = mdbtoolsExport(file, table);
    let reader;
    try {
        reader = { ok: true, ...openReader.table(table) };
    } catch (e) {
        reader = { ok: false, error: e.message };
        report.notes.push(`${table}: mdb-reader cannot read it (${e.message}); compared with mdb-export only`);
    }
    const columns = tableColumns(file, table, reader, mdbtools);
    const names = columns.map((c) => c.name);
    if (mdbtools.header.join("\u0000") !== names.join("\u0000")) {
        report.fail(`${table}: the readers disagree on the columns: mdb-export [${mdbtools.header}], mdb-reader [${names}]`);
        return;
    }
    if (reader.ok && reader.rows.length !== mdbtools.rows.length) {
        report.fail(`${table}: the readers disagree on the row count: mdb-export ${mdbtools.rows.length}, mdb-reader ${reader.rows.length}`);
        return;
    }

    try {
        const order = readerIndexInStoredOrder(file, ctx.tdefPages.get(table), mdbtools.rows.length);
        if (order) {
            mdbtools.rows = order.map((i) => mdbtools.rows[i]);
            if (reader.ok) reader.rows = order.map((i) => reader.rows[i]);
            report.notes.push(`${table}: has rows that moved to other pages; the readers' rows are put back in stored order`);
        }
    } catch (e) {
        report.fail(`${table}: cannot establish the stored order of rows: ${e.message}`);
        return;
    }

    let engine = null;
    if (tool) {
        try {
            engine = engineExport(tool, file, table);
        } catch (e) {
            if (!(e instanceof EngineFailure || e.name === "CsvError")) throw e;
            report.fail(`${table}: ${e.message}`);
            return;
        }
        if (engine.header.join("\u0000") !== names.join("\u0000")) {
            report.fail(`${table}: engine columns [${engine.header}], expected [${names}]`);
            return;
        }
        if (engine.rows.length !== mdbtools.rows.length) {
            report.fail(`${table}: engine has ${engine.rows.length} rows, the readers ${mdbtools.rows.length}`);
        }
    }

    for (let i = 0; i < mdbtools.rows.length; i++) {
        if (engine && engine.rows[i] && engine.rows[i].length !== columns.length) {
            report.fail(`${table} row ${i + 1}: engine wrote ${engine.rows[i].length} fields for ${columns.length} columns`);
            continue;
        }
        columns.forEach((column, j) => {
            const where = `${table}.${column.name} row ${i + 1}`;
            let m, r, e;
            try {
                m = readMdbtools(mdbtools.rows[i][j], column);
                r = reader.ok ? readMdbReader(reader.rows[i][j], column) : undefined;
            } catch (err) {
                if (!(err instanceof FormatError)) throw err;
                report.fail(`${where}: ${err.message}`);
                return;
            }
            const entry = disagreementFor(basename(file), table, column.name, i + 1);
            if (entry?.expected) {  // neither reader reads it: the field the file's bytes call for
                entry.seen = true;
                const want = parseCsv(`${entry.expected[i]}\r\n`, "\r\n")[0][entry.columns.indexOf(column.name)];
                const got = engine?.rows[i]?.[j];
                if (got && (got.text !== want.text || got.quoted !== want.quoted)) {
                    report.fail(`${where}: engine ${JSON.stringify(got.text)}, the file's bytes ${JSON.stringify(want.text)} [${entry.reason}]`);
                }
                report.checked++;
                return;
            }
            const refs = references({ m, r, column }, entry, report, where);
            const opaque = m === NOT_EXPOSED && (r === undefined || r === NOT_EXPOSED);
            if (opaque) report.unverified++;
            if (!engine || !engine.rows[i]) return;
            try {
                e = readEngine(engine.rows[i][j], column);
            } catch (err) {
                if (!(err instanceof FormatError)) throw err;
                report.fail(`${where}: engine wrote ${err.message} (${column.type})`);
                return;
            }
            if (refs.length) report.checked++;
            for (const [who, ref] of refs) {
                if (!sameValue(entry?.engineAs ? entry.engineAs(e) : e, ref, column)) {
                    report.fail(`${where} (${column.type}): engine ${e.text}, ${who} ${ref.text}` +
                        (entry ? ` [known disagreement: ${entry.reason}]` : ""));
                }
            }
        });
    }
}

// Table lists, compared as sets. `tables --system` must list what both
// readers list with their system tables. For `tables` the two readers go by
// the catalogue's system flags, while ravelin-jet counts every MSys* table as
// a system table, as Access itself does; the one table where this differs is
// MSysCompactError (catalogue flags 0) in the ACE files. So the user tables
// expected from ravelin-jet are the readers' user tables less MSys* names.
const isMSysName = (name) => /^msys/i.test(name);

function checkTableLists(ctx) {
    const { file, tool, report, openReader } = ctx;
    const lists = {};
    for (const system of [false, true]) {
        const what = system ? "all tables" : "user tables";
        const m = mdbtoolsTableNames(file, system);
        const r = openReader.tableNames(system);
        if (!sameList(m, r)) report.fail(`${what}: the readers disagree: mdb-tables [${m}], mdb-reader [${r}]`);
        const expected = system ? m : m.filter((name) => !isMSysName(name));
        if (tool) {
            try {
                // Linked tables follow the file's own, a tab after their name.
                const lines = engineTableNames(tool, file, system);
                const e = lines.filter((l) => !l.includes("\t"));
                const links = lines.filter((l) => l.includes("\t")).map((l) => l.slice(0, l.indexOf("\t")));
                if (!sameList(e, expected)) report.fail(`${what}: engine lists [${e}], expected [${expected}]`);
                const r = openReader.linkedTableNames();
                if (!sameList(links, r)) report.fail(`${what}: engine lists the links [${links}], mdb-reader [${r}]`);
            } catch (err) {
                if (!(err instanceof EngineFailure)) throw err;
                report.fail(`${what}: ${err.message}`);
            }
        }
        lists[system ? "all" : "user"] = m;
    }
    return lists.all;
}

// Errors are reported on stderr with exit status 1, never as an empty success.
function checkErrors(ctx) {
    const { file, tool, report } = ctx;
    const cases = [
        [["export", file, "NoSuchTable_ravelin_differential"], "export of a table that does not exist"],
        [["tables", `${file}.does-not-exist`], "tables of a file that does not exist"],
    ];
    for (const [args, what] of cases) {
        const r = runEngine(tool, args);
        if (r.status !== 1 || r.stderr === "") {
            report.fail(`${what}: expected exit 1 with a message on stderr, got exit ${r.status}${r.signal ? ` (${r.signal})` : ""}, stderr ${JSON.stringify(r.stderr)}`);
        }
    }
}

async function main() {
    const args = parseArgs(process.argv.slice(2));
    const report = new Report();
    const openWithMdbReader = await loadMdbReader();
    const version = mdbtoolsVersion();
    const ctx = { file: args.file, tool: args.tool, report, openReader: openWithMdbReader(args.file) };
    ctx.tdefPages = tableDefinitionPages(ctx.openReader);

    for (const problem of checkEvidence(basename(args.file), args.file)) report.fail(problem);
    report.startTable();
    let tables = checkTableLists(ctx);
    if (args.table) {
        if (!tables.includes(args.table)) throw new Error(`the readers list no table ${args.table}`);
        tables = [args.table];
    }
    if (args.tool) checkErrors(ctx);
    let compared = 0;
    for (const table of tables) {
        report.startTable();
        compareTable(ctx, table);
        compared++;
    }
    report.startTable();
    for (const k of disagreementsFor(basename(args.file)).filter((d) => tables.includes(d.table))) {
        if (!k.seen) report.fail(`known disagreement ${k.table}.${k.column} (${k.kind}) did not occur`);
    }

    const name = basename(args.file);
    for (const note of report.notes) console.log(`note: ${note}`);
    for (const f of report.failures) console.log(`FAIL ${name}: ${f}`);
    const against = args.tool ? "engine against mdb-export and mdb-reader" : "mdb-export against mdb-reader";
    console.log(`${name}: ${against} (${version}): ${compared} tables, ${report.checked} engine values checked, ` +
        `${report.unverified} values no reader decodes, ` +
        (report.total ? `FAILED (${report.total} failures)` : "all equal"));
    process.exitCode = report.total ? 1 : 0;
}

main().catch((e) => {
    console.error(`FAIL: ${e instanceof OracleMissing ? "oracle missing: " : ""}${e.message}`);
    if (!(e instanceof OracleMissing)) console.error(e.stack);
    process.exitCode = 1;
});
