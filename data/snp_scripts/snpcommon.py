"""Shared plumbing of the variant-impact analysis scripts.

Every script is started once per variation, so what lives here is about cheap starts:
  1. a small option parser for the fixed "key value" command lines (argparse costs more to
     import than most scripts spend on their work);
  2. data locations relative to the script folder, overridable by environment variables;
  3. a cache of pre-parsed data files (marshal, keyed by path, size and mtime) in a writable
     cache folder, so a start reads a compact file instead of re-parsing the source;
  4. one wrapper that turns bad command lines and unreadable data into a message on standard
     error and a non-zero exit code.
Only the standard library is used, and only modules that are cheap to import.
"""

import marshal
import os
import sys

SCRIPT_DIR = os.path.dirname(os.path.abspath(__file__))
DATA_DIR = os.path.join(SCRIPT_DIR, "data")

EXIT_DATA = 1   # unreadable or malformed data
EXIT_USAGE = 2  # bad command line

CACHE_VERSION = 2  # bump when a cached layout changes


class UsageError(Exception):
    """The command line is not what the script accepts."""


class DataError(Exception):
    """A data file is missing, unreadable or malformed."""


def parse_options(argv, known, required, flags=()):
    """Reads "option value" pairs into a dict keyed by option text.

    known: options that take a value; flags: options without one. Every option may be given once.
    Raises UsageError naming the first problem."""
    values = {}
    i = 0
    while i < len(argv):
        opt = argv[i]
        if opt in flags:
            values[opt] = True
            i += 1
            continue
        if opt not in known:
            raise UsageError("unknown option %r" % opt)
        if i + 1 >= len(argv):
            raise UsageError("option %s needs a value" % opt)
        if opt in values:
            raise UsageError("option %s is given twice" % opt)
        values[opt] = argv[i + 1]
        i += 2
    missing = [o for o in required if o not in values]
    if missing:
        raise UsageError("missing option%s %s" % ("s" if len(missing) > 1 else "", ", ".join(missing)))
    return values


def run(name, argv, body, help_text):
    """Runs body(argv) -> int with the error conventions shared by all scripts.

    "-h"/"--help" anywhere prints help_text and returns 0."""
    if "-h" in argv or "--help" in argv:
        sys.stdout.write(help_text)
        return 0
    try:
        return body(argv)
    except UsageError as e:
        sys.stderr.write("%s: error: %s (see %s --help)\n" % (name, e, name))
        return EXIT_USAGE
    except DataError as e:
        sys.stderr.write("%s: error: %s\n" % (name, e))
        return EXIT_DATA


def warmed(load):
    """What a script's warm() returns: True once load() has read the default data into this
    interpreter, False when it cannot be read (a request then reports why)."""
    try:
        load()
    except DataError:
        return False
    return True


def emit(key, value):
    """Writes the answer line; the value must stay one tab-free line because it ends up in a TSV cell."""
    text = str(value).replace("\t", " ").replace("\r", " ").replace("\n", " ")
    sys.stdout.write("%s:%s\n" % (key, text))


def data_path(option_value, env_name, default_rel):
    """Command-line option, then environment variable, then the file below the script's data folder."""
    if option_value:
        return option_value
    env = os.environ.get(env_name)
    if env:
        return env
    return os.path.join(DATA_DIR, default_rel)


def parse_int(text, what, minimum=None):
    try:
        value = int(text.strip())
    except ValueError:
        raise UsageError("%s must be an integer, not %r" % (what, text))
    if minimum is not None and value < minimum:
        raise UsageError("%s must be at least %d, not %d" % (what, minimum, value))
    return value


def open_text(path):
    """Opens a plain or gzip-compressed text file (by its magic bytes) for reading.

    Reading it may still raise on damaged gzip data: iterate with lines() to get a DataError."""
    try:
        f = open(path, "rb")
        magic = f.read(2)
        f.seek(0)
    except OSError as e:
        raise DataError("cannot read %s: %s" % (path, e.strerror or e))
    import io
    if magic == b"\x1f\x8b":
        import gzip
        f.close()  # a GzipFile given a file object would leave it open
        try:
            return io.TextIOWrapper(gzip.open(path, "rb"), encoding="latin-1")
        except OSError as e:
            raise DataError("cannot read %s: %s" % (path, e.strerror or e))
    return io.TextIOWrapper(f, encoding="latin-1")


def lines(path):
    """Yields (1-based line number, line) of a plain or gzip file.

    A truncated or damaged gzip stream, or a read error, becomes a DataError naming the file and
    the last line read, so no half-read file is ever taken for a whole one."""
    import zlib
    number = 0
    with open_text(path) as f:
        try:
            for line in f:
                number += 1
                yield number, line
        except (EOFError, zlib.error, OSError, ValueError) as e:
            # gzip: EOFError when the stream ends early, BadGzipFile (an OSError) on a bad CRC or
            # header, zlib.error on damaged deflate data
            raise DataError("%s: damaged or truncated file after line %d (%s)"
                            % (path, number, str(e) or e.__class__.__name__))


def finite_number(text, where, what, maximum=None):
    """float(text), refusing nan, infinities and values above maximum (they would only fail later)."""
    import math
    try:
        value = float(text)
    except ValueError:
        raise DataError("%s: %s must be a number, not %r" % (where, what, text))
    if not math.isfinite(value) or (maximum is not None and abs(value) > maximum):
        raise DataError("%s: %s must be a finite number%s, not %r"
                        % (where, what, "" if maximum is None else " of at most %g" % maximum, text))
    return value


def file_stamp(path):
    try:
        st = os.stat(path)
    except OSError as e:
        raise DataError("cannot read %s: %s" % (path, e.strerror or e))
    return [os.path.abspath(path), st.st_size, st.st_mtime_ns]


def cache_dir():
    d = os.environ.get("NX_SNP_CACHE_DIR")
    if d:
        return d
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "nolix", "snp_scripts")


def _cache_file(kind, stamps, part):
    import zlib
    key = "%s|%s" % (kind, "|".join(s[0] for s in stamps))
    return os.path.join(cache_dir(), "%s-%08x%s.marshal" % (kind, zlib.crc32(key.encode("utf-8")), part))


def _read_cache(path, header):
    try:
        with open(path, "rb") as f:
            stored = marshal.loads(f.read())  # load(f) reads piecewise and is several times slower
    except (OSError, EOFError, ValueError, TypeError):
        return None
    if not isinstance(stored, tuple) or len(stored) != 2 or stored[0] != header:
        return None
    return stored[1]


def _write_cache(path, header, value):
    # Written under a temporary name and renamed, so a concurrent reader never sees half a file;
    # a cache folder that cannot be written only costs speed.
    try:
        os.makedirs(os.path.dirname(path), exist_ok=True)
        tmp = "%s.%d.tmp" % (path, os.getpid())
        with open(tmp, "wb") as f:
            marshal.dump((header, value), f)
        os.replace(tmp, path)
    except OSError:
        try:
            os.unlink(tmp)
        except (OSError, UnboundLocalError):
            pass


_memo = {}  # (kind, paths) -> (header, value): a host that calls main() again in one interpreter skips the read


def cached(kind, paths, build, keep=True):
    """Returns build(), or the value cached for these exact source files (path, size, mtime).

    build must return marshal-able data. The value is also kept in memory, once per kind and set
    of files, so a pre-started interpreter (and every child forked from it) reads it only once;
    keep=False leaves that to a caller that keeps a converted form of its own."""
    stamps = [file_stamp(p) for p in paths]
    header = [CACHE_VERSION, kind, stamps]
    memo_key = (kind, tuple(s[0] for s in stamps))
    memo = _memo.get(memo_key)
    if memo is not None and memo[0] == header:
        return memo[1]
    path = _cache_file(kind, stamps, "")
    value = _read_cache(path, header)
    if value is None:
        value = build()
        _write_cache(path, header, value)
    if keep:
        _memo[memo_key] = (header, value)
    return value


_memo_parts = {}  # (kind, paths) -> (header, index, {slot: value}) of cached_parts


def cached_parts(kind, paths, build, part_key):
    """Like cached(), for data split into named parts of which a start needs only one.

    build returns a dict part name -> marshal-able data; returns the data of part_key or None.
    Every part is a file of its own, so a start reads only the part it asks for; the parts read
    are kept in memory for later calls in the same interpreter."""
    stamps = [file_stamp(p) for p in paths]
    header = [CACHE_VERSION, kind, stamps]
    memo_key = (kind, tuple(s[0] for s in stamps))
    memo = _memo_parts.get(memo_key)
    if memo is not None and memo[0] == header:
        index, parts_read = memo[1], memo[2]
        slot = index.get(part_key)
        if slot is None:
            return None
        if slot in parts_read:
            return parts_read[slot]
    index_path = _cache_file(kind, stamps, "")
    index = _read_cache(index_path, header)
    if index is not None:
        slot = index.get(part_key)
        if slot is None:
            _remember_part(memo_key, header, index, None, None)
            return None
        value = _read_cache(_cache_file(kind, stamps, "-%d" % slot), header)
        if value is not None:
            _remember_part(memo_key, header, index, slot, value)
            return value
    parts = build()
    index = {}
    for slot, (name, value) in enumerate(parts.items()):
        index[name] = slot
        _write_cache(_cache_file(kind, stamps, "-%d" % slot), header, value)
    _write_cache(index_path, header, index)
    slot = index.get(part_key)
    _remember_part(memo_key, header, index, slot, parts.get(part_key))
    return parts.get(part_key)


def _remember_part(memo_key, header, index, slot, value):
    memo = _memo_parts.get(memo_key)
    if memo is None or memo[0] != header:
        memo = (header, index, {})
        _memo_parts[memo_key] = memo
    if slot is not None:
        memo[2][slot] = value
