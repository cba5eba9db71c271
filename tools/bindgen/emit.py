"""Emits the header and source of one binding file."""

from . import emit_tables


def emit(schema, rel_schema_path, header_name):
    header = emit_tables.emit_header(schema, rel_schema_path)
    source = emit_tables.emit_source(schema, rel_schema_path, header_name)
    return header, source
