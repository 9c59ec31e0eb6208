"""Plain Python records shared with the native core."""
