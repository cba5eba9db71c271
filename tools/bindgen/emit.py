"""Emits the header and source of one binding file."""

from . import emit_classes


def emit(schema, rel_schema_path, header_name):
    return emit_classes.emit(schema, rel_schema_path, header_name)
