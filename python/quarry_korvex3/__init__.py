"""Parser of korvex3 SPICE netlists: syntax trees, diagnostics, tokens and
the files a deck reads.

    >>> import quarry_korvex3 as qk
    >>> result = qk.parse("deck.kvx")
    >>> result.ok, [d.message for d in result.diagnostics]
    >>> [n.value for n in result.find("nt_instance")]

Parses release the GIL: parses of different inputs run in parallel on
threads. Results and nodes are read-only and may be shared between threads.
"""
from __future__ import annotations

import os
from typing import Iterable, List, Optional, Tuple, Union

from . import _native
from ._native import CHECKS, DEFAULT_MAX_INCLUDES, Diagnostic, Location, Node, ParseError, Result, Walk

__version__: str = _native.__version__

__all__ = [
    "CHECKS",
    "DEFAULT_MAX_INCLUDES",
    "Diagnostic",
    "Location",
    "Node",
    "ParseError",
    "Result",
    "Walk",
    "__version__",
    "parse",
    "parse_text",
    "tokens",
]

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]
Token = Tuple[int, int, int, int, str, Optional[str]]


def parse(
    path: PathLike,
    *,
    include_dirs: Iterable[PathLike] = (),
    as_include: bool = False,
    include_roots: Iterable[PathLike] = (),
    expand_env: bool = True,
    max_includes: int = DEFAULT_MAX_INCLUDES,
    checks: bool = False,
    disabled_checks: Iterable[str] = (),
    partial: bool = False,
    jobs: Optional[int] = None,
) -> Result:
    """Parses the netlist file at `path` and returns its Result.

    Bad input gives diagnostics and ``ok == False``, never an exception. A
    file that cannot be read raises OSError (FileNotFoundError,
    IsADirectoryError, ...; a FIFO or device is refused with EINVAL), a path
    with a NUL ValueError. `include_dirs` are searched for included files
    after the includer's folder; `include_roots` confines included files to
    those folders (links resolved); ``expand_env=False`` leaves $NAME in
    include paths as written; `max_includes` bounds the included files one
    parse reads. An exception that leaves the parser raises ParseError, a
    RuntimeError. ``checks=True`` adds the checks beyond syntax (undefined
    subcircuits and models, definitions made twice or never used, pin counts,
    brackets left open), but those named in `disabled_checks` (flags such as
    "unused-definition"); ``partial=True`` keeps the statements complete
    before a failure at the end of the input. `jobs` threads (default: the
    number of cores) parse the files the deck includes ahead; the result is
    the same for any number.
    """
    return _native.parse(**locals())  # the arguments, by name


def parse_text(
    text: Union[str, bytes],
    *,
    name: str = "<string>",
    include_dirs: Iterable[PathLike] = (),
    as_include: bool = False,
    include_roots: Iterable[PathLike] = (),
    expand_env: bool = True,
    max_includes: int = DEFAULT_MAX_INCLUDES,
    checks: bool = False,
    disabled_checks: Iterable[str] = (),
    partial: bool = False,
) -> Result:
    """Parses netlist text (str, or bytes in any encoding) and returns its
    Result; `name` is the file name its reports and locations give. A str
    that cannot be encoded as UTF-8 (a lone surrogate) raises
    UnicodeEncodeError. The other arguments are those of parse()."""
    return _native.parse_text(**locals())  # the arguments, by name


def tokens(text: Union[str, bytes], *, as_include: bool = False) -> List[Token]:
    """The scanner's token stream of `text`, as tuples (first_line,
    first_column, last_line, last_column, name, value or None): what
    ``quarry-parse --tokens`` lists."""
    return _native.tokens(text, as_include=as_include)
