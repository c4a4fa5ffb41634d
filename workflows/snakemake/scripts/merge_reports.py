#!/usr/bin/env python3
"""Joins the shard reports of one kind into the report a single run would have written.

    merge_reports.py OUTPUT [SHARD_REPORT ...]

Shard reports are given in merge order. Each is empty (no row of the shard belonged to it) or a
"#" header line followed by rows; the output holds the header once, then every row as it
stands (the bytes are copied, never re-encoded: the reports are Latin-1). When no shard has a
row, the output is empty, as a single run leaves such a report.

The output appears only when complete: it is written under a hidden name beside OUTPUT and
renamed over it at the end; on any error OUTPUT is left as it was.
"""

import os
import shutil
import sys
import tempfile


class MergeError(Exception):
    pass


def merge(output, inputs):
    out_dir = os.path.dirname(os.path.abspath(output))
    fd, tmp = tempfile.mkstemp(dir=out_dir, prefix="." + os.path.basename(output) + ".")
    try:
        with os.fdopen(fd, "wb") as out:
            header, header_source = None, None
            for path in inputs:
                try:
                    f = open(path, "rb")
                except OSError as e:
                    raise MergeError(f"cannot read shard report {path}: {e.strerror}") from e
                with f:
                    first = f.readline()
                    if not first:
                        continue
                    if not first.startswith(b"#") or not first.endswith(b"\n"):
                        raise MergeError(f"{path}: the first line is not a report header")
                    if header is None:
                        header, header_source = first, path
                        out.write(header)
                    elif first != header:
                        raise MergeError(f"{path}: its header differs from the header of {header_source}")
                    shutil.copyfileobj(f, out, 1 << 20)
                    # The writer ends every row with a line break; without one the shard was cut short.
                    if f.tell() > len(first):
                        f.seek(-1, os.SEEK_END)
                        if f.read(1) != b"\n":
                            raise MergeError(f"{path}: the last row has no line break (the file is cut short)")
            out.flush()
            os.fsync(out.fileno())
        os.chmod(tmp, 0o666 & ~current_umask())
        os.replace(tmp, output)
    except BaseException:
        os.unlink(tmp)
        raise


def current_umask():
    mask = os.umask(0)
    os.umask(mask)
    return mask


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    try:
        merge(argv[1], argv[2:])
    except MergeError as e:
        print(f"merge_reports: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
