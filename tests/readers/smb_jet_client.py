#!/usr/bin/python3
"""A Jet client on an SMB2 share, as Access behaves towards a lock file.

    smb_jet_client.py PORT SHARE LOCKFILE COMPUTER USER [--read-only] [--account NAME:PASSWORD]

Connects to 127.0.0.1:PORT as guest (or logs on as the account given), opens LOCKFILE on SHARE (creating it),
takes the first free user lock (one exclusive byte at 0x10000001 + slot),
writes its 64-byte slot there and prints "slot N". With --read-only the
lock is taken through a read-only handle (the slot is written through a
second handle, closed at once). Then it answers commands on stdin, one line
each:
    slot NAME    take the next free user lock on the same handle and write
                 NAME into that slot; prints "slot N"
    session ACCOUNT:PASSWORD NAME
                 log another account on over the same TCP connection (as a
                 terminal server does), open LOCKFILE in that session and
                 take a user lock there for NAME; prints "slot N"
    churn N      release and take its first user lock again, N times;
                 prints "ok", or "fail STATUS" when a request failed
    quit         close the file and log off; exits 0
End of input ends the client the same way. Errors go to stderr, exit 1.
"""
import copy
import sys

from impacket import smb3structs as smb2
from impacket.smbconnection import SMBConnection

USER_LOCK_BASE = 0x10000001
SLOTS = 255
STATUS_SUCCESS = 0


def name_field(name, pad):
    raw = name.encode('cp1252')[:31] + b'\0'
    return raw + pad * (32 - len(raw))


class Client:
    def __init__(self, port, share, path, read_only, account):
        self.conn = SMBConnection('127.0.0.1', '127.0.0.1', sess_port=port,
                                  preferredDialect=smb2.SMB2_DIALECT_21)
        # impacket keeps one session's state; a second session starts afresh.
        self.fresh_session = copy.deepcopy(self.conn.getSMBServer()._Session)
        name, _, password = account.partition(':')
        self.conn.login(name, password)
        self.share = share
        self.tree = self.conn.connectTree(share)
        self.path = path
        access = smb2.FILE_READ_DATA if read_only else smb2.FILE_READ_DATA | smb2.FILE_WRITE_DATA
        if read_only:  # a read-only handle can't create the file
            self.close(self.open(smb2.FILE_READ_DATA | smb2.FILE_WRITE_DATA))
        self.fid = self.open(access)
        self.held = []

    def open(self, access):
        share_all = smb2.FILE_SHARE_READ | smb2.FILE_SHARE_WRITE | smb2.FILE_SHARE_DELETE
        return self.conn.createFile(self.tree, self.path, desiredAccess=access, shareMode=share_all,
                                    creationDisposition=smb2.FILE_OPEN_IF)

    def close(self, fid):
        try:
            self.conn.closeFile(self.tree, fid)
        except KeyError:
            # impacket files its handles by name: after one of two handles of
            # the same file is closed, closing the other (done on the server)
            # fails in its own bookkeeping.
            pass

    def lock(self, offset, flags):
        server = self.conn.getSMBServer()
        packet = server.SMB_PACKET()
        packet['Command'] = smb2.SMB2_LOCK
        packet['TreeID'] = self.tree
        element = smb2.SMB2_LOCK_ELEMENT()
        element['Offset'] = offset
        element['Length'] = 1
        element['Flags'] = flags
        request = smb2.SMB2Lock()
        request['FileID'] = self.fid
        request['LockCount'] = 1
        request['Locks'] = element.getData()
        packet['Data'] = request
        return server.recvSMB(server.sendSMB(packet))['Status']

    def take(self, offset):
        return self.lock(offset, smb2.SMB2_LOCKFLAG_EXCLUSIVE_LOCK | smb2.SMB2_LOCKFLAG_FAIL_IMMEDIATELY)

    def take_slot(self, computer, user):
        for slot in range(SLOTS):
            if self.take(USER_LOCK_BASE + slot) == STATUS_SUCCESS:
                data = name_field(computer, b' ') + name_field(user, b'\0')
                writer = self.open(smb2.FILE_READ_DATA | smb2.FILE_WRITE_DATA)
                self.conn.writeFile(self.tree, writer, data, 64 * slot)
                self.close(writer)
                self.held.append(slot)
                return slot
        raise RuntimeError('no free user lock')

    def add_session(self, account, computer, user):
        self.conn.getSMBServer()._Session = copy.deepcopy(self.fresh_session)
        name, _, password = account.partition(':')
        self.conn.login(name, password)
        self.tree = self.conn.connectTree(self.share)
        self.fid = self.open(smb2.FILE_READ_DATA | smb2.FILE_WRITE_DATA)
        return self.take_slot(computer, user)

    def churn(self, times):
        offset = USER_LOCK_BASE + self.held[0]
        for _ in range(times):
            for status in (self.lock(offset, smb2.SMB2_LOCKFLAG_UNLOCK), self.take(offset)):
                if status != STATUS_SUCCESS:
                    return 'fail 0x%08x' % status
        return 'ok'

    def quit(self):
        self.close(self.fid)
        self.conn.logoff()


def main(argv):
    port, share, path, computer, user = argv[1:6]
    options = argv[6:]
    account = options[options.index('--account') + 1] if '--account' in options else ''
    client = Client(int(port), share, path, '--read-only' in options, account)
    print('slot', client.take_slot(computer, user), flush=True)
    for line in sys.stdin:
        words = line.split()
        if words[:1] == ['slot']:
            print('slot', client.take_slot(words[1], user), flush=True)
        elif words[:1] == ['session']:
            print('slot', client.add_session(words[1], words[2], user), flush=True)
        elif words[:1] == ['churn']:
            print(client.churn(int(words[1])), flush=True)
        elif words[:1] == ['quit']:
            break
    client.quit()
    return 0


if __name__ == '__main__':
    try:
        sys.exit(main(sys.argv))
    except Exception as error:  # reported to the test, which shows stderr
        print('%s: %s' % (type(error).__name__, error), file=sys.stderr, flush=True)
        sys.exit(1)
