// A strict RFC 4180 reader that remembers, for every field, whether it was
// quoted: an empty unquoted field is Null, a quoted empty field ("") is empty
// text, and the comparison must tell the two apart.
//
// parseCsv(text, lineEnd) -> [[{ text, quoted }]]
// Every record, the last one included, must end with `lineEnd` ("\r\n" for our
// engine, "\n" for mdb-export). Line breaks inside quoted fields are data.
// Anything else (a stray quote, text after a closing quote, a bare CR or LF
// outside quotes, a missing final line end) throws, naming the record.

export class CsvError extends Error {}

export function parseCsv(text, lineEnd) {
    const records = [];
    let record = [];
    let i = 0;
    const fail = (what) => {
        throw new CsvError(`CSV record ${records.length + 1}, field ${record.length + 1}: ${what}`);
    };
    if (text.length === 0) return records;
    for (;;) {
        let field;
        if (text[i] === '"') {
            let value = "";
            i++;
            for (;;) {
                const q = text.indexOf('"', i);
                if (q < 0) fail("unterminated quoted field");
                value += text.slice(i, q);
                if (text[q + 1] === '"') {
                    value += '"';
                    i = q + 2;
                } else {
                    i = q + 1;
                    break;
                }
            }
            field = { text: value, quoted: true };
        } else {
            let j = i;
            while (j < text.length && text[j] !== "," && text[j] !== "\r" && text[j] !== "\n") {
                if (text[j] === '"') fail("quote inside an unquoted field");
                j++;
            }
            field = { text: text.slice(i, j), quoted: false };
            i = j;
        }
        record.push(field);
        if (text[i] === ",") {
            i++;
            continue;
        }
        if (text.startsWith(lineEnd, i)) {
            records.push(record);
            record = [];
            i += lineEnd.length;
            if (i === text.length) return records;
            continue;
        }
        if (i >= text.length) fail(`last record does not end with ${JSON.stringify(lineEnd)}`);
        fail(`unexpected ${JSON.stringify(text[i])} after a field (records must end with ${JSON.stringify(lineEnd)})`);
    }
}
