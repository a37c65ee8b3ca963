// The encrypted test databases: ravelin-jet, given each file's password
// through the environment, must read every table mdb-reader (the one other
// reader that takes a password) can read, value for value. mdbtools reads no
// encrypted file. Fails when no table could be compared at all.
//   node encrypted.mjs --tool path/to/ravelin-jet --testdata DIR
import { join } from "node:path";
import { openWithMdbReader } from "../oracle/mdbreader.mjs";
import { engineExport, engineTableNames } from "./engine.mjs";
import { readEngine, readMdbReader, sameValue, FormatError } from "./rules.mjs";

const args = process.argv.slice(2);
const tool = args[args.indexOf("--tool") + 1];
const testdata = args[args.indexOf("--testdata") + 1];
// As tests/data/encrypted/README.md lists them.
const files = [["db2007-oldenc.accdb", "Test123"], ["db2007-enc.accdb", "Test123"],
               ["db-nonstandard.accdb", "password"], ["db2013-enc.accdb", "1234"]];

const failures = [];
let compared = 0;
for (const [name, password] of files) {
    const file = join(testdata, "encrypted", name);
    process.env.RAVELIN_JET_PASSWORD = password;
    let reader = null;
    try {
        reader = openWithMdbReader(file, password);
        reader.tableNames(false);
    } catch (e) {
        console.log(`${name}: mdb-reader cannot open it (${e.message}); not compared`);
    }
    for (const table of engineTableNames(tool, file, false)) {
        const engine = engineExport(tool, file, table);
        if (!reader) continue;
        const { columns, rows } = reader.table(table);
        if (engine.header.join("\0") !== columns.map((c) => c.name).join("\0") || engine.rows.length !== rows.length) {
            failures.push(`${name} ${table}: engine [${engine.header}] ${engine.rows.length} rows, mdb-reader ${rows.length}`);
            continue;
        }
        rows.forEach((row, i) => columns.forEach((column, j) => {
            try {
                const e = readEngine(engine.rows[i][j], column), r = readMdbReader(row[j], column);
                if (!sameValue(e, r, column)) failures.push(`${name} ${table}.${column.name} row ${i + 1}: ${e.text} vs ${r.text}`);
                ++compared;
            } catch (err) {
                if (!(err instanceof FormatError)) throw err;
                failures.push(`${name} ${table}.${column.name} row ${i + 1}: ${err.message}`);
            }
        }));
    }
}
for (const f of failures) console.error(f);
console.log(`${compared} values compared with mdb-reader`);
process.exit(failures.length > 0 || compared === 0 ? 1 : 0);
