"""What every family holds: the session of its reader."""

from __future__ import annotations

from .._session import Session


class Family:
    """A group of card commands on one open reader."""

    def __init__(self, session: Session) -> None:
        self._session = session

    def __repr__(self) -> str:
        return f"<{type(self).__name__} of a drovik.Reader>"
