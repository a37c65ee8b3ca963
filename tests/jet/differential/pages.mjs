// Raw pages of a Jet file, for the few facts the test checks in the bytes
// themselves (the evidence of known disagreements, the stored order of rows).
//
// Pages are 2 KB in Jet 3 (byte 0x14 of the header page is 0) and 4 KB
// otherwise. The header page keeps the database key at 0x3e, inside a range
// from 0x18 that is enciphered with RC4 under the fixed key c7 da 39 6b. When
// that key is not zero (as in a Jet 3 workgroup file) every other page is
// enciphered with RC4 under the key (database key XOR page number), 4 bytes
// little-endian; page() returns pages deciphered.
import { openSync, readSync, closeSync, fstatSync } from "node:fs";

export function rc4(key, data) {
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

export function openPages(path) {
    const fd = openSync(path, "r");
    try {
        const size = fstatSync(fd).size;
        const header = Buffer.alloc(Math.min(size, 0x100));
        readSync(fd, header, 0, header.length, 0);
        const jet3 = header[0x14] === 0;
        const pageSize = jet3 ? 2048 : 4096;
        const plainHeader = rc4(Buffer.from([0xc7, 0xda, 0x39, 0x6b]), header.subarray(0x18, 0x18 + 128));
        const databaseKey = plainHeader.readUInt32LE(0x3e - 0x18);
        const file = Buffer.alloc(size);
        readSync(fd, file, 0, size, 0);
        const count = Math.floor(size / pageSize);
        return {
            jet3,
            pageSize,
            count,
            enciphered: databaseKey !== 0,
            page(n) {
                const raw = file.subarray(n * pageSize, (n + 1) * pageSize);
                if (databaseKey === 0 || n === 0) return raw;
                const key = Buffer.alloc(4);
                key.writeUInt32LE((databaseKey ^ n) >>> 0);
                return rc4(key, raw);
            },
            // `length` bytes at a file offset, as its page reads after deciphering.
            bytesAt(offset, length) {
                const n = Math.floor(offset / pageSize);
                const start = offset - n * pageSize;
                if (n >= count || start + length > pageSize) return Buffer.alloc(0);
                return this.page(n).subarray(start, start + length);
            },
        };
    } finally {
        closeSync(fd);
    }
}
