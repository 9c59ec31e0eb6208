"""Find personal data in text, replace it before an LLM sees it, put it back.

The native core lives in ``vexil_redact._core``.
"""

__version__ = "0.8.22"
