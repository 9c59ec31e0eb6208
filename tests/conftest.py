import pytest

from vexil_redact import _core


@pytest.fixture(scope="session")
def core():
    return _core
