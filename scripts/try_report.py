"""The report of `make try` as a list of blocks (headings, paragraphs,
tables, pictures, preformatted text), written once as Markdown and once as
a self-contained HTML page beside the screenshots it links to."""

import html
import re
from pathlib import Path


class Report:
    def __init__(self, title):
        self.title = title
        self.blocks = []

    def heading(self, text):
        self.blocks.append(("heading", text))

    def text(self, text):
        self.blocks.append(("text", text))

    def table(self, header, rows):
        """`rows`: lists of cells; a cell is shown as text (None as empty)."""
        self.blocks.append(("table", (list(header), [list(row) for row in rows])))

    def image(self, path, caption):
        """`path` relative to the report's folder."""
        self.blocks.append(("image", (str(path), caption)))

    def preformatted(self, text):
        self.blocks.append(("pre", text))

    # --- Markdown ---

    def markdown(self):
        out = [f"# {self.title}", ""]
        for kind, value in self.blocks:
            if kind == "heading":
                out += [f"## {value}", ""]
            elif kind == "text":
                out += [value, ""]
            elif kind == "table":
                header, rows = value
                out.append("| " + " | ".join(_md_cell(c) for c in header) + " |")
                out.append("|" + "---|" * len(header))
                out += ["| " + " | ".join(_md_cell(c) for c in row) + " |" for row in rows]
                out.append("")
            elif kind == "image":
                path, caption = value
                out += [f"![{_md_cell(caption)}]({path.replace(' ', '%20')})", "",
                        f"*{_md_cell(caption)}*", ""]
            elif kind == "pre":
                fence = "````" if "```" in value else "```"
                out += [fence, value.replace("\r\n", "\n"), fence, ""]
        return "\n".join(out)

    # --- HTML ---

    def html(self):
        out = ["<!DOCTYPE html>", '<html lang="en"><head><meta charset="utf-8">',
               f"<title>{html.escape(self.title)}</title>", "<style>", _STYLE, "</style>",
               "</head><body>", f"<h1>{html.escape(self.title)}</h1>"]
        for kind, value in self.blocks:
            if kind == "heading":
                out.append(f"<h2>{html.escape(value)}</h2>")
            elif kind == "text":
                out.append(f"<p>{_html_text(value)}</p>")
            elif kind == "table":
                header, rows = value
                out.append("<table><tr>" + "".join(f"<th>{_html_text(c)}</th>" for c in header)
                           + "</tr>")
                out += ["<tr>" + "".join(f"<td>{_html_text(c)}</td>" for c in row) + "</tr>"
                        for row in rows]
                out.append("</table>")
            elif kind == "image":
                path, caption = value
                out.append(f'<figure><img src="{html.escape(path, quote=True)}" '
                           f'alt="{html.escape(caption, quote=True)}">'
                           f"<figcaption>{html.escape(caption)}</figcaption></figure>")
            elif kind == "pre":
                out.append(f"<pre>{html.escape(value.replace(chr(13) + chr(10), chr(10)))}</pre>")
        out.append("</body></html>")
        return "\n".join(out) + "\n"

    def write(self, folder):
        """Writes report.md and report.html into `folder`; returns both paths."""
        folder = Path(folder)
        md, page = folder / "report.md", folder / "report.html"
        md.write_text(self.markdown(), encoding="utf-8")
        page.write_text(self.html(), encoding="utf-8")
        return md, page


_STYLE = """body { font-family: sans-serif; max-width: 70em; margin: 1em auto; }
table { border-collapse: collapse; margin: 0.5em 0; }
th, td { border: 1px solid #999; padding: 0.2em 0.5em; text-align: left; vertical-align: top; }
th { background: #eee; }
figure { margin: 0.5em 0; } img { border: 1px solid #999; max-width: 100%; }
pre { background: #f4f4f4; padding: 0.5em; white-space: pre-wrap; }"""


def _lines(cell):
    text = "" if cell is None else str(cell)
    return text.replace("\r\n", "\n").replace("\r", "\n").split("\n")


# A backslash before punctuation would escape it, and '|' would end the cell.
_MD_ESCAPE = re.compile(r"\\(?=[!-/:-@\[-`{-~])|\|")


def _md_cell(cell):
    """One table cell or caption: line breaks become <br>, '|' is escaped."""
    parts = [_MD_ESCAPE.sub(r"\\\g<0>", line).replace("<", "&lt;") for line in _lines(cell)]
    return "<br>".join(parts)


def _html_text(cell):
    return "<br>".join(html.escape(line) for line in _lines(cell))
