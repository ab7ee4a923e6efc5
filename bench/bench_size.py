"""Size: the 32-bit launcher, the product, against 256 KB.

Measured as built into dist/ (stripped, with its resources); the 64-bit
build, the one the other benchmarks run under Wine, is shown beside it.
"""

from benchlib import Row, Skip, value_at_most

ORDER = 5
FIGURE = "size: dist/win32/launcher.exe"
LIMIT_BYTES = 256 * 1024


def measure(context):
    product = context.dist / "win32" / "launcher.exe"
    if not product.is_file():
        raise Skip(f"{product} is missing: run make win32 first")
    rows = [Row(FIGURE, product.stat().st_size, "bytes", "256 KB", LIMIT_BYTES,
                value_at_most(LIMIT_BYTES, f"<= {LIMIT_BYTES:,} bytes"), digits=0)]
    wide = context.dist / "win64" / "launcher.exe"
    if wide.is_file():
        rows.append(Row("  dist/win64/launcher.exe", wide.stat().st_size, "bytes", digits=0))
    return rows
