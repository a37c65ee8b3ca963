// Runs our engine's command-line tool, ravelin-jet, and reads what it writes.
//   ravelin-jet tables [--system] FILE    one table name per line
//   ravelin-jet export FILE TABLE         CSV: UTF-8, CR LF after every record
// Errors go to stderr with exit status 1.
import { spawnSync } from "node:child_process";
import { parseCsv } from "./csv.mjs";

const utf8 = new TextDecoder("utf-8", { fatal: true });

export class EngineFailure extends Error {}

export function runEngine(tool, args) {
    const r = spawnSync(tool, args, { maxBuffer: 1 << 30, timeout: 120000 });
    if (r.error) throw new EngineFailure(`could not run ${tool}: ${r.error.message}`);
    return {
        status: r.status,
        signal: r.signal,
        stdout: r.stdout,
        stderr: r.stderr.toString("utf8").trim(),
    };
}

function succeed(tool, args) {
    const r = runEngine(tool, args);
    if (r.status !== 0) {
        const how = r.signal ? `was killed by ${r.signal}` : `exited with ${r.status}`;
        throw new EngineFailure(`ravelin-jet ${args.join(" ")} ${how}: ${r.stderr || "(no message)"}`);
    }
    try {
        return utf8.decode(r.stdout);
    } catch {
        throw new EngineFailure(`ravelin-jet ${args.join(" ")} wrote output that is not UTF-8`);
    }
}

export function engineTableNames(tool, file, includeSystem) {
    const out = succeed(tool, ["tables", ...(includeSystem ? ["--system"] : []), file]);
    return out.split(/\r?\n/).filter((n) => n !== "");
}

// { header: [name], rows: [[{text, quoted}]] }
export function engineExport(tool, file, table) {
    const out = succeed(tool, ["export", file, table]);
    const records = parseCsv(out, "\r\n");
    if (records.length === 0) throw new EngineFailure(`ravelin-jet export ${table}: no header line`);
    const [header, ...rows] = records;
    return { header: header.map((f) => f.text), rows };
}
