// How a value is read from each of the three sources, and when two readings
// are the same value. One entry per column type:
//
//   engine(field, column)     our engine's CSV field -> meaning; throws FormatError
//                             when the field breaks the export contract
//   mdbtools(field, column)   mdb-export's CSV field -> meaning
//   mdbReader(value, column)  mdb-reader's JavaScript value -> meaning, or
//                             NOT_EXPOSED when mdb-reader does not give this value
//   same(a, b)                whether two meanings are the same stored value
//
// A meaning is { value, tolerance?, text } where `text` is how it is shown in
// failure messages. Null is the meaning NULL for every type: our engine and
// mdb-export write it as an empty unquoted field, mdb-reader returns null.
// Our engine writes an unquoted "<not read: ...>" marker (MARKER) for a
// value it cannot read as what it is; that is right only where neither
// reader reads the value either. A rule whose mdbtools is null is a type
// mdb-export does not read at all (it prints nothing, or a key).

export class FormatError extends Error {}

export const NULL = Object.freeze({ value: null, text: "Null" });
export const NOT_EXPOSED = Object.freeze({ value: undefined, text: "(not exposed)" });
export const MARKER = Object.freeze({ value: undefined, text: "(a <not read: ...> marker)" });
// mdb-export writes a zero-length text exactly as it writes Null (an empty
// unquoted field), so for text and memo that field means either; mdb-reader
// and our engine still tell the two apart.
export const NULL_OR_EMPTY = Object.freeze({ value: null, text: "Null or \"\"", either: true });

const MS_PER_DAY = 86400000;

const isNull = (field) => !field.quoted && field.text === "";
const isMarker = (field) => !field.quoted && /^<not read: [^<>]+>$/.test(field.text);
const bad = (field, what) => {
    throw new FormatError(`${JSON.stringify(field.text)}${field.quoted ? " (quoted)" : ""} is not ${what}`);
};
const sameNull = (a, b) => a.value === null || b.value === null;

// ---- integers: byte, integer, long, autonumber, complex ids, bigint --------
// All three must give exactly the same integer. Our engine: plain decimal,
// unquoted, no leading zeros, no "+" and no "-0".
function integerMeaning(value) {
    return { value, text: value.toString() };
}
const integerRule = {
    engine(field) {
        if (field.quoted || !/^(0|-?[1-9][0-9]*)$/.test(field.text)) bad(field, "an unquoted decimal integer");
        return integerMeaning(BigInt(field.text));
    },
    mdbtools(field) {
        return integerMeaning(BigInt(field.text));
    },
    mdbReader(value) {
        return integerMeaning(BigInt(value));
    },
    same: (a, b) => a.value === b.value,
};
// mdbtools 1.0.0 exports Large Number (Unknown_0013) empty: mdb-reader alone reads it.
const largeNumberRule = { ...integerRule, mdbtools: undefined };

// ---- boolean ----------------------------------------------------------------
// Jet keeps a Yes/No value in the row's null mask, so it is never Null.
// Our engine and mdb-export: 1 or 0; mdb-reader: true or false.
const booleanRule = {
    engine(field) {
        if (field.quoted || (field.text !== "1" && field.text !== "0")) bad(field, "an unquoted 1 or 0");
        return { value: field.text === "1", text: field.text };
    },
    mdbtools(field) {
        return { value: field.text === "1", text: field.text };
    },
    mdbReader(value) {
        return { value: Boolean(value), text: value ? "1" : "0" };
    },
    same: (a, b) => a.value === b.value,
};

// ---- single and double ------------------------------------------------------
// Our engine writes the shortest text that reads back as the same float or
// double (std::to_chars); it must read back exactly as mdb-reader's value, and
// no text with fewer significant digits may read back the same.
// mdb-export prints a limited number of digits and drops trailing zeros, so
// its text only fixes the value to within half a unit of its last printed
// digit: that is the tolerance when it is compared.
const toFloat32 = (x) => Math.fround(x);
const identity = (x) => x;

function parseEngineNumber(field) {
    const t = field.text;
    if (field.quoted) bad(field, "unquoted");
    if (t === "inf") return Infinity;
    if (t === "-inf") return -Infinity;
    if (t === "nan" || t === "-nan") return NaN;
    if (!/^-?(0|[1-9][0-9]*)(\.[0-9]*[1-9])?(e[+-][0-9]+)?$/.test(t)) bad(field, "a number in shortest form");
    return Number(t);
}

function significantDigits(text) {
    const mantissa = text.replace(/^-/, "").replace(/e.*$/, "").replace(".", "");
    const trimmed = mantissa.replace(/^0+/, "").replace(/0+$/, "");
    return Math.max(trimmed.length, 1);
}

// True when some decimal with `digits` significant digits reads back as x.
function roundTripsWith(x, digits, narrow) {
    if (digits < 1) return false;
    const s = x.toPrecision(digits);
    const [mant, exp] = Number(s).toExponential(digits - 1).split("e");
    const unit = 10 ** -(digits - 1);
    for (const step of [-1, 0, 1]) {
        const candidate = Number(`${(Number(mant) + step * unit).toFixed(digits - 1)}e${exp}`);
        if (narrow(candidate) === x) return true;
    }
    return false;
}

function floatingRule(narrow) {
    const meaning = (value, tolerance = 0) => ({ value, tolerance, text: String(value) });
    return {
        engine(field) {
            const x = narrow(parseEngineNumber(field));
            if (Number.isFinite(x) && x !== 0) {
                const digits = significantDigits(field.text);
                if (narrow(Number(field.text)) !== x) bad(field, "read back exactly");
                if (roundTripsWith(x, digits - 1, narrow)) bad(field, "the shortest text for its value");
            }
            return meaning(x);
        },
        mdbtools(field) {
            const m = /^-?[0-9]*(?:\.([0-9]*))?(?:e([+-]?[0-9]+))?$/i.exec(field.text);
            const fractionDigits = m && m[1] ? m[1].length : 0;
            const exponent = m && m[2] ? Number(m[2]) : 0;
            return meaning(Number(field.text), 0.5 * 10 ** (exponent - fractionDigits));
        },
        mdbReader(value) {
            return meaning(value);
        },
        same(a, b) {
            if (Number.isNaN(a.value) || Number.isNaN(b.value)) return Number.isNaN(a.value) && Number.isNaN(b.value);
            if (a.tolerance === 0 && b.tolerance === 0) return Object.is(a.value, b.value);
            // The printed text itself reads back with a rounding error: allow a unit of it.
            const slack = Number.EPSILON * Math.max(Math.abs(a.value), Math.abs(b.value));
            return Math.abs(a.value - b.value) <= (a.tolerance + b.tolerance) * (1 + 1e-12) + slack;
        },
    };
}

// ---- currency and decimal (numeric) -----------------------------------------
// Exact decimals, compared as integers scaled by the column's scale (4 for
// currency). Our engine writes exactly that many fraction digits (none and no
// point when the scale is 0); both oracles give decimal text.
function parseDecimal(text, scale) {
    const m = /^(-?)([0-9]+)(?:\.([0-9]*))?$/.exec(text);
    if (!m) return undefined;
    const fraction = (m[3] ?? "").padEnd(scale, "0");
    if (fraction.length > scale && /[1-9]/.test(fraction.slice(scale))) return undefined;
    const scaled = BigInt(m[2] + fraction.slice(0, scale));
    return m[1] ? -scaled : scaled;
}

function decimalRule(scaleOf) {
    const meaning = (value, scale) => {
        const digits = (value < 0n ? -value : value).toString().padStart(scale + 1, "0");
        const whole = digits.slice(0, digits.length - scale);
        const text = `${value < 0n ? "-" : ""}${whole}${scale ? "." + digits.slice(-scale) : ""}`;
        return { value, text };
    };
    const read = (text, column, what) => {
        const scale = scaleOf(column);
        const value = parseDecimal(text, scale);
        if (value === undefined) throw new FormatError(`${what} ${JSON.stringify(text)} is not a decimal`);
        return meaning(value, scale);
    };
    return {
        engine(field, column) {
            const scale = scaleOf(column);
            const shape = scale ? new RegExp(`^-?(0|[1-9][0-9]*)\\.[0-9]{${scale}}$`) : /^-?(0|[1-9][0-9]*)$/;
            if (field.quoted || !shape.test(field.text) || /^-0(\.0*)?$/.test(field.text)) {
                bad(field, `an unquoted decimal with exactly ${scale} fraction digits`);
            }
            return read(field.text, column, "engine");
        },
        mdbtools: (field, column) => read(field.text, column, "mdb-export"),
        mdbReader: (value, column) => read(String(value), column, "mdb-reader"),
        same: (a, b) => a.value === b.value,
    };
}

// ---- date/time --------------------------------------------------------------
// Jet stores days since 1899-12-30 as a double; for a negative value the
// integer part (towards zero) is the day and the fraction is the time of that
// day, whatever the sign. Meanings are milliseconds of that calendar time on
// the JavaScript (proleptic Gregorian, UTC) time line.
//   our engine:  YYYY-MM-DD HH:MM:SS, plus .mmm only when the milliseconds are
//                not zero: exact to the millisecond.
//   mdb-export:  whole seconds; its text may lie up to half a second from the
//                stored time, so that is its tolerance.
//   mdb-reader:  a Date to the millisecond, computed linearly from the stored
//                days; below 1899-12-30 that is not Jet's rule, so it is
//                mirrored back to Jet's day and time of day here.
const JET_EPOCH = Date.UTC(1899, 11, 30);

function dateMeaning(ms, tolerance) {
    const d = new Date(ms);
    const pad = (n, w = 2) => String(n).padStart(w, "0");
    let text = `${pad(d.getUTCFullYear(), 4)}-${pad(d.getUTCMonth() + 1)}-${pad(d.getUTCDate())} ` +
        `${pad(d.getUTCHours())}:${pad(d.getUTCMinutes())}:${pad(d.getUTCSeconds())}`;
    if (d.getUTCMilliseconds()) text += `.${pad(d.getUTCMilliseconds(), 3)}`;
    return { value: ms, tolerance, text };
}

function parseDateText(text, withMilliseconds) {
    const re = withMilliseconds
        ? /^([0-9]{4})-([0-9]{2})-([0-9]{2}) ([0-9]{2}):([0-9]{2}):([0-9]{2})(?:\.([0-9]{3}))?$/
        : /^([0-9]{4})-([0-9]{2})-([0-9]{2}) ([0-9]{2}):([0-9]{2}):([0-9]{2})$/;
    const m = re.exec(text);
    if (!m) return undefined;
    const [y, mo, d, h, mi, s] = m.slice(1, 7).map(Number);
    if (m[7] === "000") return undefined;  // .mmm only when nonzero
    const date = new Date(0);
    date.setUTCFullYear(y, mo - 1, d);
    date.setUTCHours(h, mi, s, m[7] ? Number(m[7]) : 0);
    const ms = date.getTime();
    // Reject fields such as 2001-02-30 that Date would quietly roll over.
    if (dateMeaning(ms, 0).text.slice(0, 19) !== text.slice(0, 19)) return undefined;
    return ms;
}

export function jetMillisecondsFromLinear(ms) {
    const relative = ms - JET_EPOCH;
    if (relative >= 0) return ms;
    const wholeDays = Math.trunc(relative / MS_PER_DAY);
    return JET_EPOCH + 2 * wholeDays * MS_PER_DAY - relative;
}

const dateRule = {
    engine(field) {
        const ms = field.quoted ? undefined : parseDateText(field.text, true);
        if (ms === undefined) bad(field, "an unquoted YYYY-MM-DD HH:MM:SS[.mmm] date");
        return dateMeaning(ms, 0);
    },
    mdbtools(field) {
        if (field.text === "1900-01-00 00:00:00") return NOT_EXPOSED;  // what it prints for a date before 1900
        const ms = parseDateText(field.text, false);
        if (ms === undefined) throw new FormatError(`mdb-export date ${JSON.stringify(field.text)} not understood`);
        return dateMeaning(ms, 500);
    },
    mdbReader(value) {
        return dateMeaning(jetMillisecondsFromLinear(value.getTime()), 0);
    },
    same: (a, b) => Math.abs(a.value - b.value) <= a.tolerance + b.tolerance,
};

// ---- text and memo ----------------------------------------------------------
// Compared character for character (UTF-8 from every source; Jet 3 text read
// as Windows-1252 by all three). Our engine always quotes text, so "" is empty
// text and an empty unquoted field is Null.
const textMeaning = (value) => ({ value, text: JSON.stringify(value) });
const textRule = {
    engine(field) {
        if (!field.quoted) bad(field, "quoted text");
        return textMeaning(field.text);
    },
    mdbtools: (field) => textMeaning(field.text),
    mdbReader: (value) => textMeaning(value),
    same: (a, b) => a.value === b.value,
};

// ---- binary, OLE ------------------------------------------------------------
// Compared as lower-case hex. Our engine writes lower-case hex (quoted or
// not; an empty value must be quoted, since an empty unquoted field is Null);
// mdb-export -b hex writes upper case; mdb-reader gives the bytes.
const hexMeaning = (value) => ({ value, text: value.length > 72 ? `${value.slice(0, 64)}...(${value.length / 2} bytes)` : value });
const binaryRule = {
    engine(field) {
        if (!/^([0-9a-f]{2})*$/.test(field.text)) bad(field, "lower-case hex");
        return hexMeaning(field.text);
    },
    mdbtools(field) {
        if (!/^([0-9A-Fa-f]{2})*$/.test(field.text)) throw new FormatError(`mdb-export hex ${JSON.stringify(field.text.slice(0, 40))} not understood`);
        return hexMeaning(field.text.toLowerCase());
    },
    mdbReader: (value) => hexMeaning(Buffer.from(value).toString("hex")),
    same: (a, b) => a.value === b.value,
};

// ---- GUID (replication id) --------------------------------------------------
// Our engine: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} in upper case.
// mdb-export -b hex hex-encodes the text it would otherwise print, and that
// text runs the last two groups together ({XXXXXXXX-XXXX-XXXX-XXXXXXXXXXXXXXXX});
// mdb-reader gives the five groups in lower case without braces. All three
// are compared as the 32 hex digits in upper case, in the order written.
const guidMeaning = (digits) => ({
    value: digits,
    text: `{${digits.slice(0, 8)}-${digits.slice(8, 12)}-${digits.slice(12, 16)}-${digits.slice(16, 20)}-${digits.slice(20)}}`,
});
const guidDigits = (text, what) => {
    const digits = text.replace(/^\{/, "").replace(/\}$/, "").replace(/-/g, "").toUpperCase();
    if (!/^[0-9A-F]{32}$/.test(digits)) throw new FormatError(`${what} GUID ${JSON.stringify(text)} not understood`);
    return digits;
};
const guidRule = {
    engine(field) {
        if (!/^\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}$/.test(field.text)) {
            bad(field, "an upper-case {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}");
        }
        return guidMeaning(guidDigits(field.text, "engine"));
    },
    mdbtools(field) {
        let text = field.text;
        if (/^([0-9A-F]{2}){36,38}$/i.test(text)) text = Buffer.from(text, "hex").toString("latin1");
        return guidMeaning(guidDigits(text, "mdb-export"));
    },
    mdbReader: (value) => guidMeaning(guidDigits(String(value), "mdb-reader")),
    same: (a, b) => a.value === b.value,
};

// ---- Date/Time Extended -----------------------------------------------------
// Our engine: YYYY-MM-DD HH:MM:SS, then "." and the fraction of the second
// (up to 7 digits, no trailing zeros) when it is not zero. mdb-reader:
// YYYY.MM.DD HH:MM:SS.nnnnnnnnn. Compared as date, time and nanoseconds.
const extendedMeaning = (date, nanoseconds) => ({ value: `${date}.${nanoseconds}`, text: `${date}.${nanoseconds}` });
const extendedRule = {
    engine(field) {
        const m = !field.quoted && /^([0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2})(?:\.([0-9]{0,6}[1-9]))?$/.exec(field.text);
        if (!m) bad(field, "an unquoted YYYY-MM-DD HH:MM:SS[.fffffff] date");
        return extendedMeaning(m[1], (m[2] ?? "").padEnd(9, "0"));
    },
    mdbtools: null,
    mdbReader(value) {
        const m = /^([0-9]{4})\.([0-9]{2})\.([0-9]{2}) ([0-9]{2}:[0-9]{2}:[0-9]{2})\.([0-9]{9})$/.exec(value);
        if (!m) throw new FormatError(`mdb-reader Date/Time Extended ${JSON.stringify(value)} not understood`);
        return extendedMeaning(`${m[1]}-${m[2]}-${m[3]} ${m[4]}`, m[5]);
    },
    same: (a, b) => a.value === b.value,
};

// ---- complex (attachment, multi-value, version history) columns -------------
// The row holds a key into the column's hidden flat table, which mdb-export
// prints. Our engine writes the items' text joined by "; ", quoted; mdb-reader
// returns attachments, compared by their file names.
const complexRule = {
    engine: textRule.engine,
    mdbtools: null,
    mdbReader: (value) => (Array.isArray(value) ? textMeaning(value.map((a) => a.name).join("; ")) : NOT_EXPOSED),
    same: (a, b) => a.value === b.value,
};

// ---- types no oracle decodes ------------------------------------------------
// Such as the 0x11 column of Jet 4 MSysAccessObjects: mdb-export prints
// nothing for it and mdb-reader refuses the table. Our engine must write its
// marker for them, never the bytes.
const unknownRule = {
    opaque: true,
    engine: (field) => bad(field, "a <not read: ...> marker"),
    mdbtools: null,
    mdbReader: () => NOT_EXPOSED,
    same: () => true,
};

const rules = {
    boolean: booleanRule,
    byte: integerRule,
    integer: integerRule,
    long: integerRule,
    bigint: largeNumberRule,
    complex: complexRule,
    datetimextended: extendedRule,
    float: floatingRule(toFloat32),
    double: floatingRule(identity),
    currency: decimalRule(() => 4),
    numeric: decimalRule((column) => column.scale ?? 0),
    datetime: dateRule,
    text: textRule,
    memo: textRule,
    binary: binaryRule,
    ole: binaryRule,
    repid: guidRule,
    unknown: unknownRule,
};

export function ruleFor(type) {
    return rules[type] ?? unknownRule;
}

// The meaning of one field or value from each source, Null handled here once.
export function readEngine(field, column) {
    if (isMarker(field)) return MARKER;
    return isNull(field) ? NULL : ruleFor(column.type).engine(field, column);
}
export function readMdbtools(field, column) {
    const rule = ruleFor(column.type);
    if (rule.opaque || !rule.mdbtools) return NOT_EXPOSED;
    if (isNull(field)) return rule === textRule ? NULL_OR_EMPTY : NULL;
    return rule.mdbtools(field, column);
}
export function readMdbReader(value, column) {
    const rule = ruleFor(column.type);
    if (rule.opaque) return NOT_EXPOSED;
    return value === null || value === undefined ? NULL : rule.mdbReader(value, column);
}
export function sameValue(a, b, column) {
    if (a === NOT_EXPOSED || b === NOT_EXPOSED) return true;
    if (a.either || b.either) return (a.value === null || a.value === "") && (b.value === null || b.value === "");
    if (sameNull(a, b)) return a.value === b.value;
    return ruleFor(column.type).same(a, b);
}
