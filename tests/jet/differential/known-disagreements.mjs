// Values on which mdb-export and mdb-reader disagree with each other, which of
// the two the file's bytes support, and why. Our engine is compared with the
// trusted reader only.
//
// An entry names a file, table and column, the rows it covers ("every row
// where the readers differ", or a list of 1-based rows in stored order), and a
// `kind` that says what the disagreement must look like: a cell where the
// readers differ in any other way still fails. `evidence` holds bytes of the
// file, one example row per entry, located with the documented row layout: the
// test re-reads them every run, so an entry cannot outlive its proof. In a
// Jet 3 workgroup file the pages are enciphered (RC4, keyed with the database
// key XOR the page number); `enciphered` evidence is compared after
// deciphering the page.
//
// Row layout used below (Jet 4): a row ends with eod (2 bytes), the offsets of
// the variable-length columns (2 bytes each, last column first), their count
// (2 bytes) and the null mask (1 bit per column, 1 = not Null). Jet 3 uses 1
// byte for eod, each offset and the count.
import { openSync, readSync, closeSync, fstatSync } from "node:fs";

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
};

const BINARY_CUT = "mdb-export cuts binary at the first zero byte";
const SID_REASON =
    "MSysACEs.SID is a variable-length binary column; the row's offsets give it 102 bytes, " +
    "which hold zero bytes; mdb-reader returns all 102, mdb-export stops at the first zero";

export const knownDisagreements = [
    {
        file: "bigIndexTestV2000.mdb", table: "MSysACEs", column: "SID", rows: "every row where the readers differ",
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
        file: "fixedTextTestV2000.mdb", table: "MSysACEs", column: "SID", rows: "every row where the readers differ",
        kind: BINARY_CUT, trust: "mdb-reader", reason: SID_REASON,
        evidence: [
            // row 2 (page 30): SID bytes 0x0a..0x70 of the row; byte 45 is zero
            { offset: 0x1efe6, bytes: "7000 0a00 0100 0f" },
            { offset: 0x1ef80, bytes: "90b282752023930f" },
            { offset: 0x1efab, bytes: "f1a9 00 9b" },
        ],
    },
    {
        file: "indexTestV2000.mdb", table: "MSysACEs", column: "SID", rows: "every row where the readers differ",
        kind: BINARY_CUT, trust: "mdb-reader", reason: SID_REASON,
        evidence: [
            // row 12 (page 15): SID bytes 0x0a..0x70 of the row; byte 2 is zero
            { offset: 0xff28, bytes: "7000 0a00 0100 07" },
            { offset: 0xfec2, bytes: "ac39 00 c4cdde1041" },
        ],
    },
    {
        file: "testPromotionV2000.mdb", table: "MSysACEs", column: "SID", rows: "every row where the readers differ",
        kind: BINARY_CUT, trust: "mdb-reader", reason: SID_REASON,
        evidence: [
            // row 45 (page 43): SID bytes 0x0a..0x70 of the row; byte 1 is zero
            { offset: 0x2b869, bytes: "7000 0a00 0100 07" },
            { offset: 0x2b803, bytes: "ad 00 59eaef0e42dd" },
        ],
    },
    {
        file: "indexTestV1997.mdb", table: "MSysAccessObjects", column: "Data", rows: "every row where the readers differ",
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
        file: "system.mdw", table: "MSysQueries", column: "Order", rows: "every row where the readers differ",
        kind: BINARY_CUT, trust: "mdb-reader", enciphered: true,
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
        file: "indexTestV2000.mdb", table: "MSysNameMap", column: "Name", rows: [1],
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
];

export function disagreementFor(file, table, column, row) {
    return knownDisagreements.find((k) => k.file === file && k.table === table && k.column === column &&
        (Array.isArray(k.rows) ? k.rows.includes(row) : true));
}

export function disagreementsFor(file) {
    return knownDisagreements.filter((k) => k.file === file);
}

// ---- re-reading the evidence ------------------------------------------------

function rc4(key, data) {
    const s = Array.from({ length: 256 }, (_, i) => i);
    for (let i = 0, j = 0; i < 256; i++) {
        j = (j + s[i] + key[i % key.length]) & 255;
        [s[i], s[j]] = [s[j], s[i]];
    }
    const out = Buffer.alloc(data.length);
    for (let n = 0, i = 0, j = 0; n < data.length; n++) {
        i = (i + 1) & 255;
        j = (j + s[i]) & 255;
        [s[i], s[j]] = [s[j], s[i]];
        out[n] = data[n] ^ s[(s[i] + s[j]) & 255];
    }
    return out;
}

function readAt(fd, offset, length) {
    const b = Buffer.alloc(length);
    readSync(fd, b, 0, length, offset);
    return b;
}

// The page holding `offset`, deciphered: the header page keeps the database
// key at 0x3e, inside its own RC4-enciphered range (key c7 da 39 6b) from 0x18.
function decipheredBytes(fd, offset, length) {
    const header = readAt(fd, 0, 0x80);
    const pageSize = header[0x14] === 0 ? 2048 : 4096;
    const plainHeader = rc4(Buffer.from([0xc7, 0xda, 0x39, 0x6b]), header.subarray(0x18, 0x80));
    const databaseKey = plainHeader.readUInt32LE(0x3e - 0x18);
    const page = Math.floor(offset / pageSize);
    const key = Buffer.alloc(4);
    key.writeUInt32LE((databaseKey ^ page) >>> 0);
    const plain = rc4(key, readAt(fd, page * pageSize, pageSize));
    const start = offset - page * pageSize;
    return plain.subarray(start, start + length);
}

// The evidence of every entry for `file`, re-read from `path`: a list of problems.
export function checkEvidence(file, path) {
    const problems = [];
    const entries = disagreementsFor(file);
    if (entries.length === 0) return problems;
    const fd = openSync(path, "r");
    try {
        const size = fstatSync(fd).size;
        for (const k of entries) {
            for (const e of k.evidence) {
                const expected = Buffer.from(e.bytes.replace(/\s+/g, ""), "hex");
                const actual = e.offset + expected.length > size ? Buffer.alloc(0)
                    : k.enciphered ? decipheredBytes(fd, e.offset, expected.length) : readAt(fd, e.offset, expected.length);
                if (!actual.equals(expected)) {
                    problems.push(`known disagreement ${k.table}.${k.column}: the bytes at 0x${e.offset.toString(16)} ` +
                        `are ${actual.toString("hex")}, not ${expected.toString("hex")}`);
                }
            }
        }
    } finally {
        closeSync(fd);
    }
    return problems;
}
