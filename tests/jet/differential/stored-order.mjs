// The stored order of a table's rows, and how the readers' order maps onto it.
//
// A data page (type 1) names its table's definition page at offset 4 and lists
// its rows in a slot table (Jet 3: count at 8, slots from 10; Jet 4: count at
// 12, slots from 14), 2 bytes each: the row's offset in the low 13 bits and
// two flags on top:
//   0x0000  a row
//   0xc000  a deleted row
//   0x4000  the row grew and moved: the slot holds a 4-byte pointer (page << 8 |
//           slot) to where the row now lies
//   0x8000  such a moved row, at its new place
// A row's home is its original slot, the row id that indexes refer to. Our
// engine writes rows in stored order: data pages in page order, slots in slot
// order, a moved row at its home slot. Both readers instead skip the pointer
// slots and read a moved row where it now lies, so a table with moved rows
// comes out of them in another order; the test puts their rows back into
// stored order before comparing (the readers' own order is page order, slot
// order, over rows flagged 0x0000 or 0x8000).
import { openPages } from "./pages.mjs";

const MOVED_POINTER = 0x4000;
const MOVED_ROW = 0x8000;
const FLAGS = 0xc000;

function slotsOf(page, jet3) {
    const countAt = jet3 ? 8 : 12;
    const slots = [];
    for (let i = 0, n = page.readUInt16LE(countAt); i < n; i++) {
        const raw = page.readUInt16LE(countAt + 2 + 2 * i);
        slots.push({ flags: raw & FLAGS, offset: raw & 0x1fff });
    }
    return slots;
}

// For the table whose definition is on page `tdefPage`: null when no row has
// moved (the readers' order is the stored order), otherwise the index in the
// readers' order of each row in stored order. Throws when the pages do not
// account for exactly `readerRowCount` rows.
export function readerIndexInStoredOrder(path, tdefPage, readerRowCount) {
    const pages = openPages(path);
    const readerOrder = new Map();  // "page/slot" -> index in the readers' order
    const stored = [];
    let moved = false;
    for (let n = 1; n < pages.count; n++) {
        const page = pages.page(n);
        if (page[0] !== 1 || page.readUInt32LE(4) !== tdefPage) continue;
        slotsOf(page, pages.jet3).forEach((slot, i) => {
            if (slot.flags === 0 || slot.flags === MOVED_ROW) readerOrder.set(`${n}/${i}`, readerOrder.size);
            if (slot.flags === 0) stored.push(`${n}/${i}`);
            if (slot.flags === MOVED_POINTER) {
                const pointer = page.readUInt32LE(slot.offset);
                stored.push(`${pointer >>> 8}/${pointer & 0xff}`);
                moved = true;
            }
        });
    }
    if (!moved) return null;
    if (readerOrder.size !== readerRowCount || stored.length !== readerRowCount) {
        throw new Error(`the data pages of table definition page ${tdefPage} hold ${readerOrder.size} rows ` +
            `(${stored.length} in stored order), the readers ${readerRowCount}`);
    }
    return stored.map((key) => {
        if (!readerOrder.has(key)) throw new Error(`a moved row points to ${key}, which holds no moved row`);
        return readerOrder.get(key);
    });
}

// Each table's definition page, from the catalogue as mdb-reader reads it
// (openWithMdbReader): MSysObjects rows of type 1
// (local table) under the "Tables" container (0x0f000001); the low 24 bits of
// Id are the page number.
export function tableDefinitionPages(reader) {
    const catalogue = reader.table("MSysObjects");
    const col = (name) => catalogue.columns.findIndex((c) => c.name === name);
    const [id, parent, name, type] = ["Id", "ParentId", "Name", "Type"].map(col);
    const pages = new Map();
    for (const row of catalogue.rows) {
        if (row[type] === 1 && row[parent] === 0x0f000001) pages.set(row[name], row[id] & 0xffffff);
    }
    return pages;
}
