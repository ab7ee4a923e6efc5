"""The built launchers' resources, read back from the executables by a small
PE resource reader of our own (no Windows, no Wine)."""

import os
import re
import struct
from pathlib import Path

import pytest

from ui_screen import DOWNLOAD_PAGE

REPO = Path(__file__).resolve().parents[2]
RESOURCES = REPO / "resources"
# CARAFE_E2E_LAUNCHER and CARAFE_E2E_LAUNCHER32 point at other builds.
EXECUTABLES = [Path(os.environ.get(variable, REPO / "dist" / target / "launcher.exe"))
               for variable, target in (("CARAFE_E2E_LAUNCHER", "win64"),
                                        ("CARAFE_E2E_LAUNCHER32", "win32"))]

RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION = 3, 5, 6, 14, 16
LANGUAGES = [1028, 1031, 1033, 1036, 1040, 1041, 1042, 1053, 2052, 3082]
ENGLISH = 1033
WS_SYSMENU, WS_BORDER, DS_MODALFRAME, WS_POPUP, WS_CAPTION = 0x80000, 0x800000, 0x80, 0x80000000, 0xC00000
SS_ICON, ES_AUTOHSCROLL, BS_DEFPUSHBUTTON = 0x3, 0x80, 0x1
STATIC, BUTTON, EDIT = 0x82, 0x80, 0x81

# Beyond the message title and the caption, texts that are genuinely the
# same as the English ones in a language.
SAME_AS_ENGLISH = {1031: {"64", "OK"}, 1036: {"24", "51", "64", "65", "OK"}, 1040: {"55", "OK"},
                   1041: {"OK"}, 1053: {"64", "OK"}, 3082: {"55"}}


def read_resources(path):
    """{(type, name, language): bytes}; string names (such as "AVI") as str."""
    data = path.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0"
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    directories = optional + (96 if struct.unpack_from("<H", data, optional)[0] == 0x10B else 112)
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = [struct.unpack_from("<IIII", data, optional + optional_size + 40 * index + 8)
             for index in range(sections)]  # vsize, rva, rawsize, raw

    def offset(rva):
        for vsize, start, rawsize, raw in table:
            if start <= rva < start + max(vsize, rawsize):
                return raw + rva - start
        raise ValueError(hex(rva))

    base = offset(resource_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, at)[0]
                name = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield name, target

    found = {}
    for kind, names in entries(0):
        for name, languages in entries(names & 0x7FFFFFFF):
            for language, leaf in entries(languages & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                found[(kind, name, language)] = data[offset(rva):offset(rva) + size]
    return found


def string_table(resources, language):
    """{id: text} of one language."""
    texts = {}
    for (kind, block, lang), raw in resources.items():
        if kind != RT_STRING or lang != language:
            continue
        at = 0
        for index in range(16):
            length = struct.unpack_from("<H", raw, at)[0]
            if length:
                texts[(block - 1) * 16 + index] = raw[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            at += 2 + 2 * length
    return texts


def _sz_or_ord(raw, at):
    if struct.unpack_from("<H", raw, at)[0] == 0xFFFF:
        return struct.unpack_from("<H", raw, at + 2)[0], at + 4
    end = at
    while raw[end:end + 2] != b"\0\0":
        end += 2
    return raw[at:end].decode("utf-16-le"), end + 2


def parse_dialog(raw):
    """A DLGTEMPLATE: style, size, caption, font and the controls."""
    style, _, count, _, _, width, height = struct.unpack_from("<IIHhhhh", raw, 0)
    _, at = _sz_or_ord(raw, 18)  # menu
    _, at = _sz_or_ord(raw, at)  # class
    caption, at = _sz_or_ord(raw, at)
    points = struct.unpack_from("<H", raw, at)[0]
    font, at = _sz_or_ord(raw, at + 2)
    controls = []
    for _ in range(count):
        at = (at + 3) & ~3
        c_style, _, x, y, w, h, ident = struct.unpack_from("<IIhhhhH", raw, at)
        kind, at = _sz_or_ord(raw, at + 18)
        text, at = _sz_or_ord(raw, at)
        extra = struct.unpack_from("<H", raw, at)[0]
        at += 2 + extra
        if isinstance(kind, str):
            kind = {"static": STATIC, "button": BUTTON, "edit": EDIT}.get(kind.lower(), kind.lower())
        controls.append(dict(style=c_style, x=x, y=y, w=w, h=h,
                             id=ident if ident != 0xFFFF else -1, kind=kind, text=text))
    return dict(style=style, size=(width, height), caption=caption, font=(points, font),
                controls=controls)


def _unescape(text):
    simple = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}
    text = re.sub(r"\\([nrt\\])", lambda m: simple[m.group(1)], text)
    return text.replace('""', '"')


def source_strings(language):
    ids = dict(re.findall(r"#define (IDS_\w+) (\d+)", (RESOURCES / "string_ids.h").read_text()))
    source = (RESOURCES / f"strings_{language}.rc").read_text(encoding="utf-8")
    return {int(ids[name]): _unescape(text)
            for name, text in re.findall(r'^\s*(IDS_\w+) "(.*)"\s*$', source, re.M)}


def source_dialog_texts(language):
    source = (RESOURCES / f"dialogs_{language}.rc").read_text(encoding="utf-8")
    return {name: _unescape(text)
            for name, text in re.findall(r'^#define DLG_(\w+) "(.*)"\s*$', source, re.M)}


def test_every_text_fits_the_ansi_code_page_of_its_language():
    # The launcher reads its texts through the A functions, which turn a
    # character the user's code page lacks into "?".
    code_pages = {1028: "cp950", 1041: "cp932", 1042: "cp949", 2052: "cp936"}
    for language in LANGUAGES:
        for text in [*source_strings(language).values(), *source_dialog_texts(language).values()]:
            code_page = code_pages.get(language, "cp1252")
            assert text.encode(code_page, "replace").decode(code_page) == text, (language, text)


# (kind, id, x, y, w, h, required style bits, text key); -1 is "no id".
TEMPLATES = {
    101: ((242, 149), True, [
        (STATIC, -1, 8, 8, 20, 20, SS_ICON, "ICON"),
        (STATIC, -1, 36, 8, 196, 8, 0, "NOT_FOUND"),
        (STATIC, -1, 36, 40, 131, 8, 0, "SELECT"),
        (EDIT, 1000, 36, 52, 196, 12, WS_BORDER | ES_AUTOHSCROLL, None),
        (BUTTON, 1001, 36, 68, 50, 14, 0, "BROWSE"),
        (STATIC, 1002, 36, 90, 196, 16, 0, "NOTE"),
        (BUTTON, 1, 64, 128, 50, 14, BS_DEFPUSHBUTTON, "OK"),
        (BUTTON, 2, 130, 128, 50, 14, 0, "CANCEL")]),
    103: ((235, 84), False, [
        (STATIC, -1, 8, 8, 20, 20, SS_ICON, "ICON"),
        (STATIC, 1002, 38, 8, 183, 28, 0, None),
        (BUTTON, 2, 176, 54, 50, 14, 0, "CANCEL"),
        ("msctls_progress32", 1003, 11, 57, 160, 9, WS_BORDER, None),
        (STATIC, 1004, 12, 42, 212, 8, 0, None)]),
    105: ((218, 77), True, [
        (STATIC, -1, 8, 8, 20, 20, SS_ICON, "ICON"),
        (STATIC, -1, 36, 8, 174, 32, 0, "BUNDLED"),
        (BUTTON, 1, 51, 56, 50, 14, BS_DEFPUSHBUTTON, "OK"),
        (BUTTON, 2, 117, 56, 50, 14, 0, "CANCEL")]),
    106: ((218, 78), True, [
        (STATIC, -1, 8, 8, 20, 20, SS_ICON, "ICON"),
        (STATIC, -1, 36, 8, 174, 24, 0, "ABORT"),
        (BUTTON, 1, 51, 56, 50, 14, BS_DEFPUSHBUTTON, "OK"),
        (BUTTON, 2, 117, 56, 50, 14, 0, "CANCEL")]),
}


@pytest.fixture(scope="module", params=EXECUTABLES, ids=["win64", "win32"])
def resources(request):
    if not request.param.is_file():
        pytest.fail(f"{request.param} is missing: build it first (make)")
    return read_resources(request.param)


def test_every_language_carries_its_source_strings_and_every_id_but_31(resources):
    english = string_table(resources, ENGLISH)
    assert set(range(8, 74)) >= set(english) >= {8, 31, 72, 73}
    for language in LANGUAGES:
        table = string_table(resources, language)
        assert table == source_strings(language), language
        assert set(table) == set(english) - ({31} if language != ENGLISH else set()), language
        # The log's entry shapes rely on the trailing blanks and line ends.
        for ident, text in table.items():
            assert text.endswith(" ") == english[ident].endswith(" "), (language, ident)
            assert text.endswith("\r\n") == english[ident].endswith("\r\n"), (language, ident)
    # The resource compiler converted UTF-8 sources, not code-page ones.
    assert string_table(resources, 1031)[43] == "Gr\u00f6\u00dfe"
    assert string_table(resources, 1041)[71] == "JVM \u3092\u691c\u7d22\u4e2d..."


def test_no_translation_is_an_english_copy_by_accident(resources):
    english = string_table(resources, ENGLISH)
    english_dialogs = source_dialog_texts(ENGLISH)
    for language in LANGUAGES:
        if language == ENGLISH:
            continue
        allowed = SAME_AS_ENGLISH.get(language, set())
        texts = string_table(resources, language)
        copies = {str(i) for i in texts if i != 8 and texts[i] == english[i]}
        dialogs = source_dialog_texts(language)
        copies |= {key for key in dialogs if dialogs[key] == english_dialogs[key]}
        assert copies <= allowed, (language, sorted(copies - allowed))
        assert texts[8] == english[8]  # the message title is a name


def test_the_four_dialogs_have_the_same_layout_in_every_language(resources):
    for language in LANGUAGES:
        texts = source_dialog_texts(language)
        for template, (size, system_menu, expected) in TEMPLATES.items():
            where = (language, template)
            dialog = parse_dialog(resources[(RT_DIALOG, template, language)])
            frame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | (WS_SYSMENU if system_menu else 0)
            assert (dialog["size"], dialog["caption"], dialog["font"],
                    dialog["style"] & (frame | WS_SYSMENU)) == (
                size, "Varnica Wizard", (8, "MS Sans Serif"), frame), where
            assert [(c["kind"], c["id"], c["x"], c["y"], c["w"], c["h"]) for c in dialog["controls"]
                    ] == [row[:6] for row in expected], where
            for control, (*_, bits, key) in zip(dialog["controls"], expected):
                assert control["style"] & bits == bits, (where, control["id"])
                if key:
                    text = 128 if key == "ICON" else texts[key] + (DOWNLOAD_PAGE if key == "NOTE" else "")
                    assert control["text"] == text, (where, key)


def test_icon_animation_and_version_are_carried(resources):
    for language in LANGUAGES:
        group = resources[(RT_GROUP_ICON, 128, language)]
        entries = [struct.unpack_from("<B11xH", group, 6 + 14 * index)
                   for index in range(struct.unpack_from("<H", group, 4)[0])]
        assert sorted(width for width, _ in entries) == [16, 32, 48], language
        assert all(any(key[:2] == (RT_ICON, icon) for key in resources) for _, icon in entries)
        animation = resources[("AVI", 109, language)]
        assert animation[:4] == b"RIFF" and animation[8:12] == b"AVI "
        assert struct.unpack_from("<I", animation, 4)[0] + 8 == len(animation)
    version = [raw for key, raw in resources.items() if key[0] == RT_VERSION]
    assert len(version) == 1 and "launcher.exe".encode("utf-16-le") in version[0]
