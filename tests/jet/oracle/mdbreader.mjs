// The second independent reader of the differential test: the npm package
// mdb-reader, wrapped so that the comparison sees plain values only.
//
// openWithMdbReader(path[, password]) returns
//   tableNames(includeSystem) -> [name]           in the reader's catalogue order
//   linkedTableNames() -> [name]                   the tables linked from other databases (catalogue types 4, 6)
//   table(name) -> { columns: [{name, type, scale, precision}], rows: [[value]] }
// Values stay as mdb-reader gives them (null, string, number, boolean, bigint,
// Date, Buffer, attachment arrays); the comparison rules decide what they mean.
// table() throws when mdb-reader cannot read the table.
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

export function openWithMdbReader(path, password) {
    const reader = new MDBReader(readFileSync(path), password ? { password } : undefined);
    return {
        tableNames(includeSystem) {
            return reader.getTableNames({
                normalTables: true,
                systemTables: includeSystem,
                linkedTables: false,
            });
        },
        // From the catalogue itself: its getTableNames leaves ODBC links (type 4) out.
        linkedTableNames() {
            return reader.getTable("MSysObjects").getData()
                .filter((o) => o.Type === 4 || o.Type === 6).map((o) => o.Name);
        },
        table(name) {
            const table = reader.getTable(name);
            const columns = table.getColumns().map((c) => ({
                name: c.name,
                type: c.type,
                scale: c.scale,
                precision: c.precision,
            }));
            const rows = table.getData().map((row) => columns.map((c) => row[c.name]));
            return { columns, rows };
        },
    };
}
