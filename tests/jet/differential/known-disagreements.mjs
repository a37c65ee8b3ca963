// Values on which mdb-export and mdb-reader disagree with each other, which of
// the two the file's bytes support, and why. Our engine is compared with the
// trusted reader only.
//
// An entry names a file, table and column (each a name, a list, or a pattern:
// ANY for every file with such a value), the rows it covers ("every row
// where the readers differ", or a list of 1-based rows in stored order), and a
// `kind` that says what the disagreement must look like: a cell where the
// readers differ in any other way still fails. `engineAs` maps our engine's
// meaning first where neither reader keeps what the bytes hold; where neither
// reads a column at all, `expected` gives our engine's fields for `columns`,
// row by row. `evidence` holds bytes of the file (of `evidenceFile` for ANY),
// one example row per entry, located with the documented row layout: the
// test re-reads them every run, so an entry cannot outlive its proof. Bytes on
// enciphered pages (a Jet 3 workgroup file) are given deciphered (pages.mjs).
//
// Row layout used below (Jet 4): a row ends with eod (2 bytes), the offsets of
// the variable-length columns (2 bytes each, last column first), their count
// (2 bytes) and the null mask (1 bit per column, 1 = not Null). Jet 3 uses 1
// byte for eod, each offset and the count.
import { openPages } from "./pages.mjs";

// What each kind of disagreement must look like, given the two meanings.
export const kinds = {
    // mdb-export -b hex (mdbtools 1.0.0) stops a binary value at its first zero
    // byte, so a value that starts with a zero byte comes out empty, as if Null.
    "mdb-export cuts binary at the first zero byte": (m, r) => {
        if (typeof r.value !== "string") return false;
        const zero = r.value.match(/^(?:[0-9a-f]{2})*?00/);
        if (!zero) return false;
        const prefix = zero[0].slice(0, -2);
        return prefix === "" ? m.value === null : m.value === prefix;
    },
    // mdb-export treats text as a C string and ends it at a NUL character.
    "mdb-export cuts text at a NUL character": (m, r) =>
        typeof r.value === "string" && r.value.includes("\u0000") && m.value === r.value.slice(0, r.value.indexOf("\u0000")),
    // mdb-export writes each character beyond U+FFFF (a surrogate pair) as "??".
    "mdb-export writes a character beyond U+FFFF as ??": (m, r) =>
        typeof r.value === "string" && m.value === r.value.replace(/[\u{10000}-\u{10FFFF}]/gu, "??"),
    "mdb-export writes a zero-length binary value as Null": (m, r) => m.value === null && r.value === "",
    // Neither reader keeps the five bytes Windows-1252 leaves undefined: mdb-export
    // writes "?", mdb-reader U+FFFD. Windows (MultiByteToWideChar) reads each as the
    // C1 control of the same number, which our engine writes.
    "the readers replace an undefined Windows-1252 byte": (m, r) =>
        typeof r.value === "string" && r.value.includes("\uFFFD") && m.value === r.value.replaceAll("\uFFFD", "?"),
};

const BINARY_CUT = "mdb-export cuts binary at the first zero byte";
const ANY = /./;
const c1AsReplacement = (e) =>
    typeof e.value === "string" ? { ...e, value: e.value.replace(/[\u0081\u008D\u008F\u0090\u009D]/g, "\uFFFD") } : e;
const SID_REASON =
    "MSysACEs.SID is a variable-length binary column; the row's offsets give it 102 bytes, " +
    "which hold zero bytes; mdb-reader returns all 102, mdb-export stops at the first zero";

export const knownDisagreements = [
    {
        file: ANY, evidenceFile: "bigIndexTestV2000.mdb", table: "MSysACEs", column: "SID", rows: "every row where the readers differ",
        kind: BINARY_CUT, trust: "mdb-reader", reason: SID_REASON,
        evidence: [
            // row 2 (page 21): eod 0x70, SID from offset 0x0a, 1 variable column, null mask 0f
            { offset: 0x15fe6, bytes: "7000 0a00 0100 0f" },
            // its SID: starts a4f74667..., and byte 44 (file 0x15fac) is the zero mdb-export stops at
            { offset: 0x15f80, bytes: "a4f74667e17167ee" },
            { offset: 0x15faa, bytes: "9019 00 94" },
        ],
    },
    {
        file: ANY, evidenceFile: "indexTestV1997.mdb", table: "MSysAccessObjects", column: "Data", rows: "every row where the readers differ",
        kind: BINARY_CUT, trust: "mdb-reader",
        reason: "in Jet 3, MSysAccessObjects.Data is a fixed-length binary column of 241 bytes; every row " +
            "holds all 241 (null mask bit set), most with zero bytes; mdb-export stops at the first zero, " +
            "and prints rows that start with a zero byte as empty",
        evidence: [
            // row 1 (page 25, 250 bytes): 2 columns, Data = the 241 bytes after the column count
            { offset: 0xcf06, bytes: "02 05 00 00" },
            // end of the row: eod 0xf6, ID at 0xf2, 1 variable column, null mask 03 (neither Null)
            { offset: 0xcffc, bytes: "f6 f2 01 03" },
        ],
    },
    {
        file: ANY, evidenceFile: "system.mdw", table: "MSysQueries", column: "Order", rows: "every row where the readers differ",
        kind: BINARY_CUT, trust: "mdb-reader",
        reason: "MSysQueries.Order is a variable-length binary column; in row 1 the null mask says it is " +
            "not Null and its offsets give 4 bytes, 00 00 00 01; mdb-export prints an empty field (as Null) " +
            "because the value starts with a zero byte",
        evidence: [
            // row 1 (page 30), whole: 7 columns, ObjectId 80000000, Attribute 0, Flag 0, Order = 00000001,
            // eod 0x0c, offsets 0x0c 0x0c 0x0c 0x08 (Order from 0x08), 4 variable columns, null mask 07
            { offset: 0xf7ed, bytes: "07 00000080 00 0000 00000001 0c 0c0c0c08 04 07" },
        ],
    },
    {
        file: ANY, evidenceFile: "indexTestV2000.mdb", table: ["MSysNameMap", "MSysQueries"], column: ["Name", "Expression"],
        rows: "every row where the readers differ",
        kind: "mdb-export cuts text at a NUL character", trust: "mdb-reader",
        reason: "the row's Name is 14 bytes of uncompressed UCS-2, \"Table1\" and a NUL character, all " +
            "stored; mdb-reader keeps the NUL, mdb-export ends the text there",
        evidence: [
            // row 1 (page 66): Name = variable column 1, bytes 0x06..0x14 of the row
            { offset: 0x42fc3, bytes: "5400 6100 6200 6c00 6500 3100 0000" },
            // eod 0x34, offsets 0x28 0x18 0x14 0x06 0x02, 5 variable columns, null mask 1f
            { offset: 0x42ff1, bytes: "3400 2800 1800 1400 0600 0200 0500 1f" },
        ],
    },
    {
        file: ANY, evidenceFile: "linkeeTest.accdb", table: "MSysObjects", column: ["Owner", "RmtInfoShort"], rows: "every row where the readers differ",
        kind: BINARY_CUT, trust: "mdb-reader",
        reason: "variable-length binary columns; row 4 (MSysDb) holds Owner 00 43, its null-mask bit set",
        // row 4 (page 17): Name "MSysDb" (UCS-2, from row offset 0x20), then Owner 00 43 (0x2c to 0x2e)
        evidence: [{ offset: 0x11ed4, bytes: "4d00530079007300440062000043" }],
    },
    {
        file: "testEmoticonsV2010.accdb", table: "data", column: "data", rows: "every row where the readers differ",
        kind: "mdb-export writes a character beyond U+FFFF as ??", trust: "mdb-reader",
        reason: "the text is UCS-2 with surrogate pairs: row 1 holds a, D83D DE00 (U+1F600), a",
        evidence: [{ offset: 0x56ff1, bytes: "6100 3dd8 00de 6100" }],
    },
    {
        file: "binIdxTestV2010.accdb", table: "Test", column: ["BinAsc", "BinDsc"], rows: [102],
        kind: "mdb-export writes a zero-length binary value as Null", trust: "mdb-reader",
        reason: "row 102 holds both binary columns with zero bytes and their null-mask bits set",
        // 3 columns, ID 201, eod 6, both offsets 6 (zero-length values), 2 variable columns, null mask 07
        evidence: [{ offset: 0x59143, bytes: "0300 c9000000 0600 0600 0600 0200 07" }],
    },
    {
        file: "testIndexCodesV1997.mdb", table: /^Table(1|6|14)(_desc)?$/, column: "data", rows: "every row where the readers differ",
        kind: "the readers replace an undefined Windows-1252 byte", trust: "mdb-reader", engineAs: c1AsReplacement,
        reason: "Jet 3 text in code page 1252 holding the byte 0x81 (Table1 \"AA\\x81AA\"), undefined there",
        evidence: [{ offset: 0x17dbe, bytes: "4141 81 4141" }],
    },
    {
        file: "calcFieldTestV2010.accdb", table: "Table1", kind: "calculated",
        columns: ["LastFirst", "LastFirstLen", "MonthlySalary", "IsRich", "AllNames", "WeeklySalary", "SalaryTest",
            "BoolTest", "DecimalTest", "FloatTest", "BigNumTest"],
        expected: [
            '"Wayne, Bruce",12,83333.3333,1,"Wayne, Bruce=Wayne, Bruce",19230.7692307692,1000000.0000,1,50.325000,2583.2092,56505085819.424791296572280180',
            '"Simpson, Bart",13,-0.0833,0,"Simpson, Bart=Simpson, Bart",-0.0192307692307692,-1.0000,1,-36.222200,0.0035889593,-0.0784734499180612994241100748',
            '"Doe, John",9,0.0000,0,"Doe, John=Doe, John",0,0.0000,1,0.012300,0,0.00000000',
            '"User, Test",10,8.3333,0,"User, Test=User, Test",1.92307692307692,100.0000,1,102030405060.654321,1.27413e-10,0.0000002787019289824216980830',
        ],
        reason: "calculated columns (flag byte c0 in the column's definition) hold 16 bytes Access keeps to itself, " +
            "the result's length and the result in the type of the ResultType property; both readers decode the header",
        evidence: [
            // LastFirst's definition: Text, column 3, flag bytes 02 c0
            { offset: 0x56096, bytes: "0a 59060000 0300 0200 0300 09040000 02 c0" },
            // row 1: LastFirst = 16 zero bytes, length 14, compressed "Wayne, Bruce"
            { offset: 0x5ae88 - 16, bytes: "00000000000000000000000000000000 0e000000 fffe5761796e652c204272756365" },
            // MonthlySalary (ResultType 5, Currency): length 8, 833333333 = 83333.3333
            { offset: 0x5aed0, bytes: "08000000 55a8ab3100000000" },
        ],
    },
    {
        file: "extDateTestV2019.accdb", table: "Table1", kind: "calculated", columns: ["DateNormalCalc"],
        expected: ["2020-06-17 00:00:00", "2021-06-14 00:00:00", "2021-06-14 12:45:00", "2021-06-14 01:45:00", "",
            "2021-06-14 22:45:12", "1765-06-14 12:45:00", "0100-06-14 12:45:00", "1265-06-14 12:45:00"],
        reason: "a calculated Date/Time ([DateNormal]); row 5's result has length 0, Null, where DateNormal is Null",
        // row 1: length 8, the double 44000 (2020-06-17)
        evidence: [{ offset: 0x5cde7, bytes: "08000000 00000000e07be540" }],
    },
];

// A compacted copy (named "compacted-" and its source's name) holds its
// source's calculated values as Access stored them, and its values that a
// reader cannot write: the same fields are expected of it; the evidence
// stays the source's.
const keptInCopies = ["calculated", "mdb-export writes a character beyond U+FFFF as ??",
    "mdb-export writes a zero-length binary value as Null"];
for (const k of knownDisagreements.filter((d) => keptInCopies.includes(d.kind))) {
    knownDisagreements.push({ ...k, file: `compacted-${k.file}`, evidenceFile: k.file });
}

const matches = (pattern, name) => (pattern instanceof RegExp ? pattern.test(name) : [].concat(pattern).includes(name));

export function disagreementFor(file, table, column, row) {
    return knownDisagreements.find((k) => matches(k.file, file) && matches(k.table, table) &&
        matches(k.columns ?? k.column, column) && (Array.isArray(k.rows) ? k.rows.includes(row) : true));
}

export function disagreementsFor(file) {
    return knownDisagreements.filter((k) => k.file === file);
}

// The evidence of every entry for `file`, re-read from `path`: a list of problems.
export function checkEvidence(file, path) {
    const entries = knownDisagreements.filter((k) => (k.evidenceFile ?? k.file) === file);
    if (entries.length === 0) return [];
    const pages = openPages(path);
    const problems = [];
    for (const k of entries) {
        for (const e of k.evidence) {
            const expected = Buffer.from(e.bytes.replace(/\s+/g, ""), "hex");
            const actual = pages.bytesAt(e.offset, expected.length);
            if (!actual.equals(expected)) {
                problems.push(`known disagreement ${k.table}.${k.columns ?? k.column}: the bytes at 0x${e.offset.toString(16)} ` +
                    `are ${actual.toString("hex")}, not ${expected.toString("hex")}`);
            }
        }
    }
    return problems;
}
