"""Plain Python records shared with the native core.

Kept free of any import of ``_core`` so that the core can import this module
while it builds hints, and so that the records load without the extension.
"""

from dataclasses import dataclass, field
from typing import Any


@dataclass(frozen=True, slots=True, kw_only=True)
class Hint:
    """A typed fact about a text that later detection stages tune themselves by.

    ``data`` is a plain dict and so stays out of the hash: hints can live in
    sets and dict keys, and equal hints (which have equal data) still hash alike.
    """

    type: str
    data: dict[str, Any] = field(hash=False)
    region: tuple[int, int]
    source_layer: int
