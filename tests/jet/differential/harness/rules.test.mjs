// The differential test's own parts, on cases the test files do not hold
// (singles, negative dates, malformed CSV, ...). Run with `node --test`.
import { test } from "node:test";
import assert from "node:assert/strict";
import { parseCsv, CsvError } from "../csv.mjs";
import { readEngine, readMdbtools, readMdbReader, sameValue, NULL, FormatError, jetMillisecondsFromLinear } from "../rules.mjs";
import { kinds } from "../known-disagreements.mjs";

const f = (text, quoted = false) => ({ text, quoted });
const col = (type, extra = {}) => ({ name: "c", type, ...extra });

test("CSV: Null, empty text, quotes and line breaks inside a field", () => {
    const records = parseCsv('a,"b""c",,""\r\n"x\r\ny",1\r\n', "\r\n");
    assert.deepEqual(records, [
        [f("a"), f('b"c', true), f(""), f("", true)],
        [f("x\r\ny", true), f("1")],
    ]);
});

test("CSV: malformed input is refused", () => {
    assert.throws(() => parseCsv("a,b", "\r\n"), CsvError);          // no final line end
    assert.throws(() => parseCsv("a,b\n", "\r\n"), CsvError);        // LF where CR LF is required
    assert.throws(() => parseCsv('a"b\r\n', "\r\n"), CsvError);      // quote inside an unquoted field
    assert.throws(() => parseCsv('"a"b\r\n', "\r\n"), CsvError);     // text after the closing quote
    assert.throws(() => parseCsv('"a\r\n', "\r\n"), CsvError);       // unterminated
});

test("single: the shortest text that reads back as the same float", () => {
    assert.equal(readEngine(f("0.1"), col("float")).value, Math.fround(0.1));
    assert.equal(readEngine(f("1e-07"), col("float")).value, Math.fround(1e-7));
    assert.equal(readEngine(f("16777216"), col("float")).value, 16777216);
    assert.throws(() => readEngine(f("0.100000001"), col("float")), FormatError);  // reads back, but not shortest
    assert.throws(() => readEngine(f("0.1", true), col("float")), FormatError);
    const r = readMdbReader(Math.fround(0.1), col("float"));
    assert.ok(sameValue(readEngine(f("0.1"), col("float")), r, col("float")));
    assert.ok(!sameValue(readEngine(f("0.2"), col("float")), r, col("float")));
});

test("double: shortest round trip, and mdb-export's rounded digits as tolerance", () => {
    const d = col("double");
    assert.equal(readEngine(f("444.555"), d).value, 444.555);
    assert.equal(readEngine(f("5e-324"), d).value, 5e-324);
    assert.equal(readEngine(f("1e+21"), d).value, 1e21);
    assert.throws(() => readEngine(f("444.55500000000001"), d), FormatError);
    assert.throws(() => readEngine(f("0444.5"), d), FormatError);
    const third = readEngine(f("0.3333333333333333"), d);
    assert.ok(sameValue(third, readMdbtools(f("0.333333333333333"), d), d));
    assert.ok(!sameValue(third, readMdbtools(f("0.333333333333334"), d), d));
    assert.ok(!sameValue(readEngine(f("0.1"), d), readMdbReader(0.1 + 2 ** -56, d), d));
});

test("date/time: calendar checks, milliseconds only when nonzero, mdb-export within half a second", () => {
    const t = col("datetime");
    assert.equal(readEngine(f("1899-12-30 00:00:00"), t).value, Date.UTC(1899, 11, 30));
    assert.equal(readEngine(f("2015-11-21 22:40:30.999"), t).value, Date.UTC(2015, 10, 21, 22, 40, 30, 999));
    assert.throws(() => readEngine(f("2001-02-29 00:00:00"), t), FormatError);
    assert.throws(() => readEngine(f("2001-02-28 00:00:00.000"), t), FormatError);
    assert.throws(() => readEngine(f("2001-02-28T00:00:00"), t), FormatError);
    const engine = readEngine(f("2015-11-21 22:40:30.999"), t);
    assert.ok(sameValue(engine, readMdbtools(f("2015-11-21 22:40:31", true), t), t));
    assert.ok(!sameValue(engine, readMdbtools(f("2015-11-21 22:40:30", true), t), t));
    assert.ok(!sameValue(engine, readMdbReader(new Date(Date.UTC(2015, 10, 21, 22, 40, 30, 998)), t), t));
});

test("date/time: Jet's rule for days before 1899-12-30", () => {
    const epoch = Date.UTC(1899, 11, 30);
    const day = 86400000;
    // -1.25 days: the day 1899-12-29 (integer part), 06:00 (the fraction, sign ignored)
    assert.equal(jetMillisecondsFromLinear(epoch - 1.25 * day), Date.UTC(1899, 11, 29, 6));
    // -0.5 days: still 1899-12-30, at noon
    assert.equal(jetMillisecondsFromLinear(epoch - 0.5 * day), Date.UTC(1899, 11, 30, 12));
    // whole negative days and positive values are unchanged
    assert.equal(jetMillisecondsFromLinear(epoch - 2 * day), Date.UTC(1899, 11, 28));
    assert.equal(jetMillisecondsFromLinear(epoch + 1.25 * day), Date.UTC(1899, 11, 31, 6));
});

test("currency and decimal: exact, with exactly the column's fraction digits", () => {
    const money = col("currency");
    assert.ok(sameValue(readEngine(f("3.5000"), money), readMdbReader("3.5000", money), money));
    assert.ok(sameValue(readEngine(f("-922337203685477.5808"), money), readMdbtools(f("-922337203685477.5808"), money), money));
    assert.ok(!sameValue(readEngine(f("3.5001"), money), readMdbReader("3.5000", money), money));
    assert.throws(() => readEngine(f("3.5"), money), FormatError);
    assert.throws(() => readEngine(f("-0.0000"), money), FormatError);
    const dec = col("numeric", { scale: 2 });
    assert.ok(sameValue(readEngine(f("12.30"), dec), readMdbReader("12.3", dec), dec));
    assert.throws(() => readEngine(f("12.3"), dec), FormatError);
    const whole = col("numeric", { scale: 0 });
    assert.throws(() => readEngine(f("4.0"), whole), FormatError);
    assert.equal(readEngine(f("-1"), whole).value, -1n);
});

test("GUID: upper case with braces from our engine; mdb-export's grouping and hex encoding", () => {
    const g = col("repid");
    const ours = readEngine(f("{8F096CA0-FC16-4288-801E-119F26C0B6FC}"), g);
    assert.ok(sameValue(ours, readMdbtools(f("{8F096CA0-FC16-4288-801E119F26C0B6FC}", true), g), g));
    const hexEncoded = Buffer.from("{8F096CA0-FC16-4288-801E119F26C0B6FC}", "latin1").toString("hex").toUpperCase();
    assert.ok(sameValue(ours, readMdbtools(f(hexEncoded, true), g), g));
    assert.ok(sameValue(ours, readMdbReader("8f096ca0-fc16-4288-801e-119f26c0b6fc", g), g));
    assert.throws(() => readEngine(f("{8f096ca0-fc16-4288-801e-119f26c0b6fc}"), g), FormatError);
    assert.throws(() => readEngine(f("8F096CA0-FC16-4288-801E-119F26C0B6FC"), g), FormatError);
});

test("Null, empty text and empty binary are different values", () => {
    const text = col("text");
    assert.equal(readEngine(f(""), text), NULL);
    assert.equal(readEngine(f("", true), text).value, "");
    assert.ok(!sameValue(readEngine(f("", true), text), readMdbReader(null, text), text));
    assert.throws(() => readEngine(f("abc"), text), FormatError);  // text is always quoted
    const bin = col("binary");
    assert.equal(readEngine(f("", true), bin).value, "");
    assert.ok(!sameValue(readEngine(f(""), bin), readMdbReader(Buffer.alloc(0), bin), bin));
    assert.throws(() => readEngine(f("ABCD"), bin), FormatError);
    assert.throws(() => readEngine(f("abc"), bin), FormatError);
});

test("known-disagreement kinds fit only what they describe", () => {
    const cut = kinds["mdb-export cuts binary at the first zero byte"];
    const hex = (value) => ({ value });
    assert.ok(cut(hex("ac39"), hex("ac3900c4")));
    assert.ok(cut(NULL, hex("00ff")));
    assert.ok(!cut(hex("ac39"), hex("ac39ff00")));      // the cut is not at the first zero byte
    assert.ok(!cut(hex("a"), hex("a00b")));             // zero nibbles across a byte boundary do not count
    assert.ok(!cut(hex("ac39"), hex("ac39")));
    const nul = kinds["mdb-export cuts text at a NUL character"];
    assert.ok(nul(hex("Table1"), hex("Table1\u0000")));
    assert.ok(!nul(hex("Table"), hex("Table1\u0000")));
});
