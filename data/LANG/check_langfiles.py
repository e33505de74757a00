#!/usr/bin/env python3
"""Checks the shipped language files the way the program reads them.

Usage: check_langfiles.py [LANG folder [data folder]]
       (defaults: the folder of this script, and the folder above the LANG folder)

For every *.DAT file: UTF-8 without BOM, LF line ends; every line of every section
parses (key and value non-empty, id readable, the right number of "||" fields for the
section kind, numbers readable); no id twice in a string section; every "]CMN_..."
reference names an existing common entry; the entries the program reads are present;
the language list (control 1000) names every shipped file.
Between the English file 0409.DAT and each translation: the same sections, the same
(section, id) pairs, the same numbers (item data, columns, widths, alignment), and the
same "%s" placeholders, "\\n"/"\\t" escapes and digits in every text.
The menu definition files MENUITEM*.DAT of the data folder, one per launch mode: every
line parses, every key is one the menu reader takes and every number reads; the section
names fit the reader's buffer; every item is kept by the reader, every page names a
known plug-in, every PARENTITEMID names an item further up the same file, and the label
STR_n of every item exists in [MENU_ITEM_STR] of every language file.
Exits with 1 and a list of problems when anything is wrong.
"""
import os
import re
import sys

STRING_KINDS = ("STR", "MSG")
MIN_PIECES = {"STR": 2, "MSG": 2, "CAP": 2, "CMB": 3, "LSTCTRL": 5}
NUMBER_FIELDS = {"STR": 0, "MSG": 0, "CAP": 1, "CMB": 2, "LSTCTRL": 4}
KINDS = ("CAP", "CMB", "LSTCTRL", "MSG", "STR")

# Resource keys the program loads, and the entries it reads from them.
RESOURCE_KEYS = (
    "XJ_UTILITY_APP", "MAIN_WINDOW", "MENU_ITEM", "PLUGIN_COMMON", "PRT_SELECT_DLG",
    "PORT_ADD_DLG", "SELECT_LANG_DLG", "PRT_STATUS", "DLG_ERR_CORR_MSG",
    "PRINTER_SETTING_VIEW", "MSG_CONFIRM_SAVE_FILE",
    "PRINT_SETTINGS_PAGE", "PAPER_SAVING_PAGE", "AUTO_CUTTER_PAGE", "MODEL_OPTIONS_PAGE",
    "PRINTER_INFO_PAGE", "BACKUP_PAGE", "PRINTER_CONTROL_PAGE", "LOGO_PAGE",
)
REQUIRED = {
    "XJ_UTILITY_APP_MSG": [0, 4, 7],
    "MAIN_WINDOW_MSG": [0],
    "MAIN_WINDOW_STR": [0],
    "PRT_SELECT_DLG_CAP": [1, 2, 1003, 1004, 1018, 1019, 1026],
    "PRT_SELECT_DLG_LSTCTRL": [1020],
    "PRT_SELECT_DLG_MSG": [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11],
    "PRT_SELECT_DLG_STR": [1, 2, 3, 4, 5, 6, 7, 8, 9, 21, 22, 23, 24, 25, 26, 27],
    "PORT_ADD_DLG_CAP": [1, 2, 1008, 1009, 1010, 1011, 1013, 1014, 1015, 1022, 1023, 1026,
                         1034, 2000, 2001, 2002, 2003, 2004],
    "PORT_ADD_DLG_CMB": [1017, 1019, 1020, 1021],
    "PORT_ADD_DLG_MSG": [0, 1, 2, 3, 4, 100, 101],
    "PORT_ADD_DLG_STR": [0, 1, 2, 3, 7, 8, 9, 10, 11, 12, 13, 1034, 5018, 5019, 5020],
    "SELECT_LANG_DLG_CAP": [1, 2],
    "SELECT_LANG_DLG_CMB": [1000],
    "SELECT_LANG_DLG_STR": [0],
    "PRT_STATUS_STR": list(range(0, 23)) + [24, 27, 28, 29, 100, 101],
    "DLG_ERR_CORR_MSG_STR": [3, 9],
    "MENU_ITEM_STR": list(range(0, 13)),
    "PRINTER_SETTING_VIEW_MSG": [0, 1, 2],
    "MSG_CONFIRM_SAVE_FILE_MSG": [0, 1],
}
# The port setting dialog preselects these entries of its value lists (position: meaning).
PRESELECTED_ITEM_DATA = {1017: (2, 8), 1019: (0, None), 1020: (1, 0), 1021: (0, None)}
# Number of columns of the printer list.
PRINTER_LIST_COLUMNS = 4

# Menu definition files by launch mode.
MENU_FILES = {
    0: "MENUITEM.DAT", 1: "MENUITEM_LOGO.DAT", 2: "MENUITEM_PRNCTRL.DAT",
    3: "MENUITEM_REMOTE.DAT", 4: "MENUITEM_SAVEFILE.DAT", 5: "MENUITEM_COUPON.DAT",
    100: "MENUITEM_WRD_5.DAT", 110: "MENUITEM_WRD_5_LOGO.DAT",
}
# Sections with this prefix (letter case counts) are menu items.
MENU_ITEM_PREFIX = "MENUITEM_"
# The reader takes all section names, each with its terminator, into a buffer; this many
# characters or more give an empty menu.
MENU_SECTION_NAMES_LIMIT = 518
# Keys the menu reader takes: "text", "number" or "switch" (0 or 1).
MENU_KEYS = {
    "APP_SETTING": {"TITLE": "text", "TITLE_ADD_VERSION": "switch"},
    "SETTINGS": {
        "LEVEL1_INDENT": "number", "LEVEL2_INDENT": "number", "LEVEL3_INDENT": "number",
        "LEVEL4_INDENT": "number", "LEVEL5_INDENT": "number",
        "MENU_ITEM_HEIGHT": "number", "MENU_ITEM_WIDTH": "number",
        "BACKGROUND_BITMAP": "text", "ITEM_ON_MOUSE_BITMAP": "text",
        "ITEM_SELECTED_BITMAP": "text", "ITEM_SELECTING_BITMAP": "text",
        "ITEM_BITMAP_STRETCH": "switch", "ITEM_BITMAP_BK_TRANSPARENT": "switch",
        "DEFALT_FONT_SIZE": "number", "DEFALT_FONT_COLOR_R": "number",
        "DEFALT_FONT_COLOR_G": "number", "DEFALT_FONT_COLOR_B": "number",
    },
    MENU_ITEM_PREFIX: {
        "ITEMID": "number", "PARENTITEMID": "number", "SELECTING": "switch",
        "USE_DLL_NAME": "text", "FONT_BOLD": "switch", "FONT_SIZE": "number",
        "FONT_COLOR_R": "number", "FONT_COLOR_G": "number", "FONT_COLOR_B": "number",
        "STRING": "text", "MENU_NAME_KEY": "text",
    },
}
MENU_ITEM_NEEDS = ("ITEMID", "PARENTITEMID", "SELECTING", "USE_DLL_NAME", "STRING")
COLOUR_KEYS = ("FONT_COLOR_R", "FONT_COLOR_G", "FONT_COLOR_B", "DEFALT_FONT_COLOR_R",
               "DEFALT_FONT_COLOR_G", "DEFALT_FONT_COLOR_B")
# The setting-page plug-ins a menu may name.
PLUGINS = ("XJPRNINFO.dll", "XJPRNSTG.dll", "XJPAPERSAVE.dll", "XJUATCUTSTG.dll",
           "XJMODELOPT.dll", "XJBACKUP.dll", "XJLOGO.dll", "XJPRNCTRL.dll", "XJCOUPON.dll")


def read_number(text):
    """The number rules of the reader: "0x" hexadecimal or plain decimal, nothing else."""
    if text[:2] in ("0x", "0X"):
        digits = text[2:]
        if digits == "":
            return 0
        return int(digits, 16) if re.fullmatch(r"[0-9a-fA-F]+", digits) else None
    return int(text) if re.fullmatch(r"[0-9]+", text) else None


def section_kind(name):
    if name in ("CMN_STR", "CMN_MSG"):
        return name[4:]
    for kind in KINDS:
        if name.endswith("_" + kind):
            return kind
    return None


def read_file(path, problems):
    """Sections in file order: name -> list of (line number, key, value)."""
    raw = open(path, "rb").read()
    where = os.path.basename(path)
    if raw.startswith(b"\xef\xbb\xbf"):
        problems.append(f"{where}: starts with a byte order mark")
    if b"\r" in raw:
        problems.append(f"{where}: contains CR characters (use LF line ends)")
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as error:
        problems.append(f"{where}: not UTF-8 ({error})")
        return {}
    sections = {}
    current = None
    for number, line in enumerate(text.split("\n"), 1):
        stripped = line.strip()
        if line != line.rstrip():
            problems.append(f"{where}:{number}: trailing blanks")
        if stripped == "" or stripped.startswith(";"):
            if stripped.startswith(";") and current is not None:
                problems.append(f"{where}:{number}: comment inside section [{current}]")
            continue
        if stripped.startswith("["):
            if not stripped.endswith("]"):
                problems.append(f"{where}:{number}: malformed section header")
                continue
            current = stripped[1:-1].strip()
            if current in sections:
                problems.append(f"{where}:{number}: section [{current}] appears twice")
            sections.setdefault(current, [])
            continue
        if current is None:
            problems.append(f"{where}:{number}: line outside any section")
            continue
        key, sep, value = stripped.partition("=")
        sections[current].append((number, key.strip(), value.strip() if sep else ""))
    return sections


def parse(path, problems):
    """Records per section: list of dicts with id, text, numbers, line."""
    where = os.path.basename(path)
    parsed = {}
    for name, lines in read_file(path, problems).items():
        kind = section_kind(name)
        if kind is None or (name not in ("CMN_STR", "CMN_MSG") and
                            not any(name == f"{key}_{kind}" for key in RESOURCE_KEYS)):
            problems.append(f"{where}: section [{name}] is not read by the program")
            continue
        records = []
        seen_ids = {}
        for number, key, value in lines:
            at = f"{where}:{number} [{name}]"
            if len(key) + len(value) + 1 > 2048:
                problems.append(f"{at}: line longer than 2048 characters")
            if key == "" or value == "":
                problems.append(f"{at}: key or value empty")
                continue
            fields = value.split("||")
            pieces = 1 + len(fields)
            if kind in STRING_KINDS and pieces != 2:
                problems.append(f"{at}: a string entry must not contain '||'")
                continue
            if pieces < MIN_PIECES[kind]:
                problems.append(f"{at}: {kind} line needs {MIN_PIECES[kind] - 1} fields")
                continue
            record_id = read_number(key.split("_")[-1])
            if record_id is None:
                problems.append(f"{at}: no id in key '{key}'")
                continue
            numbers = []
            for field in fields[1:1 + NUMBER_FIELDS[kind]]:
                parsed_number = read_number(field)
                if parsed_number is None:
                    problems.append(f"{at}: '{field}' is not a number")
                numbers.append(parsed_number)
            if kind in STRING_KINDS:
                if record_id in seen_ids:
                    problems.append(f"{at}: id {record_id} also on line {seen_ids[record_id]}")
                seen_ids[record_id] = number
            records.append({"id": record_id, "key": key, "text": fields[0],
                            "numbers": numbers, "line": number})
        parsed[name] = records
    return parsed


def resolve(parsed, name, text, where, problems):
    """The text as the program shows it, references replaced."""
    if name in ("CMN_STR", "CMN_MSG") or not text.startswith("]"):
        return text
    rest = text[1:]
    table = "CMN_STR" if "CMN_STR" in rest else "CMN_MSG" if "CMN_MSG" in rest else None
    pieces = rest.split("_")
    if table is None or len(pieces) != 3:
        problems.append(f"{where}: '{text}' looks like a reference but is shown as it stands")
        return text
    target = read_number(pieces[2])
    for record in parsed.get(table, []):
        if record["id"] == target:
            return record["text"]
    problems.append(f"{where}: reference '{text}' names no entry")
    return ""


def shown_texts(parsed, problems, where):
    """(section, id, position among lines of that id) -> shown text."""
    texts = {}
    for name, records in parsed.items():
        counter = {}
        for record in records:
            position = counter.get(record["id"], 0)
            counter[record["id"]] = position + 1
            at = f"{where}:{record['line']} [{name}]"
            texts[(name, record["id"], position)] = resolve(parsed, name, record["text"], at,
                                                            problems)
    return texts


def check_required(parsed, where, problems):
    for name, ids in REQUIRED.items():
        present = {record["id"] for record in parsed.get(name, [])}
        for missing in sorted(set(ids) - present):
            problems.append(f"{where}: [{name}] has no entry for id {missing}")
    columns = sorted(r["numbers"][0] for r in parsed.get("PRT_SELECT_DLG_LSTCTRL", [])
                     if r["id"] == 1020)
    if columns != list(range(PRINTER_LIST_COLUMNS)):
        problems.append(f"{where}: the printer list needs columns 0-3 once each, has {columns}")
    combos = parsed.get("PORT_ADD_DLG_CMB", [])
    for control, (position, wanted) in PRESELECTED_ITEM_DATA.items():
        items = [r for r in combos if r["id"] == control]
        if len(items) <= position:
            problems.append(f"{where}: list {control} needs an entry at position {position}")
        elif wanted is not None and items[position]["numbers"][0] != wanted:
            problems.append(f"{where}: list {control} entry {position} should carry {wanted}")
    messages = {r["id"]: r["text"] for r in parsed.get("PORT_ADD_DLG_MSG", [])}
    order = messages.get(100, "")
    if not re.fullmatch(r"[0-4](,[0-4]){0,4}", order):
        problems.append(f"{where}: interface order '{order}' is not up to five of 0-4")
    elif messages.get(101, "") not in order.split(","):
        problems.append(f"{where}: default interface '{messages.get(101)}' is not in the order")


def fingerprint(text):
    """What a translation must keep: placeholders, escapes and digits."""
    return (sorted(re.findall(r"%[-+ #0]*\d*(?:\.\d+)?[a-zA-Z]", text)),
            text.count("\\n"), text.count("\\t"), sorted(re.findall(r"\d+", text)))


def compare(english, english_texts, other, other_texts, where, problems):
    if set(english) != set(other):
        problems.append(f"{where}: sections differ from 0409.DAT: "
                        f"{sorted(set(english) ^ set(other))}")
    for name in sorted(set(english) & set(other)):
        left = [(r["id"], r["numbers"]) for r in english[name]]
        right = [(r["id"], r["numbers"]) for r in other[name]]
        if left != right:
            problems.append(f"{where}: [{name}] ids or numbers differ from 0409.DAT")
    for slot, text in english_texts.items():
        if slot not in other_texts:
            continue
        if fingerprint(text) != fingerprint(other_texts[slot]):
            problems.append(f"{where}: [{slot[0]}] id {slot[1]}: placeholders, escapes or "
                            f"digits differ from the English text")


def read_menu(path, problems):
    """Sections in file order: name -> {upper-case key: value}; None when unreadable."""
    where = os.path.basename(path)
    count = len(problems)
    sections = read_file(path, problems)
    if len(problems) > count and not sections:
        return None
    menu = {}
    for name, lines in sections.items():
        keys = next((table for prefix, table in MENU_KEYS.items()
                     if name == prefix or (prefix == MENU_ITEM_PREFIX and name.startswith(prefix))),
                    None)
        if keys is None:
            problems.append(f"{where}: section [{name}] is not read by the program")
            continue
        values = {}
        for number, key, value in lines:
            at = f"{where}:{number} [{name}]"
            key = key.upper()
            kind = keys.get(key)
            if kind is None:
                problems.append(f"{at}: key '{key}' is not read by the program")
                continue
            if key in values:
                problems.append(f"{at}: key '{key}' appears twice (the first one counts)")
                continue
            if kind != "text" and not re.fullmatch(r"-?[0-9]+", value):
                problems.append(f"{at}: {key} '{value}' is not a number")
                continue
            if kind == "switch" and value not in ("0", "1"):
                problems.append(f"{at}: {key} must be 0 or 1, is {value}")
            if key in COLOUR_KEYS and not -1 <= int(value) <= 255:
                problems.append(f"{at}: {key} must be -1 or 0-255, is {value}")
            values[key] = value
        menu[name] = values
    return menu


def check_menu(path, languages, problems):
    where = os.path.basename(path)
    menu = read_menu(path, problems)
    if menu is None:
        return
    names = sum(len(name) + 1 for name in menu)
    if names >= MENU_SECTION_NAMES_LIMIT:
        problems.append(f"{where}: section names take {names} characters, the menu is empty "
                        f"from {MENU_SECTION_NAMES_LIMIT} on (use shorter names)")
    for needed in ("APP_SETTING", "SETTINGS"):
        if needed not in menu:
            problems.append(f"{where}: no section [{needed}]")
    items = [(name, values) for name, values in menu.items() if name.startswith(MENU_ITEM_PREFIX)]
    if not items:
        problems.append(f"{where}: no menu items")
    ids = set()
    for name, values in items:
        at = f"{where} [{name}]"
        missing = [key for key in MENU_ITEM_NEEDS if key not in values]
        if missing:
            problems.append(f"{at}: no {', '.join(missing)}")
            continue
        item_id, parent = int(values["ITEMID"]), int(values["PARENTITEMID"])
        plugin = values["USE_DLL_NAME"]
        if item_id == 0 and parent == 0 and plugin == "":
            problems.append(f"{at}: ITEMID and PARENTITEMID 0 without a plug-in, "
                            f"the program drops the item")
        if item_id != 0 and item_id in ids:
            problems.append(f"{at}: ITEMID {item_id} is used twice")
        if parent != 0 and parent not in ids:
            problems.append(f"{at}: PARENTITEMID {parent} names no item above it in the file")
        ids.add(item_id)
        if values["SELECTING"] == "1" and plugin == "":
            problems.append(f"{at}: a selectable page needs a plug-in")
        if values["SELECTING"] == "0" and plugin != "":
            problems.append(f"{at}: a heading (SELECTING=0) names a plug-in")
        if plugin != "" and plugin not in PLUGINS:
            problems.append(f"{at}: unknown plug-in '{plugin}'")
        label = re.fullmatch(r"STR_([0-9]+)", values["STRING"])
        if label is None:
            problems.append(f"{at}: STRING '{values['STRING']}' is not STR_n")
            continue
        index = int(label.group(1))
        for language, parsed in languages.items():
            entries = {record["id"] for record in parsed.get("MENU_ITEM_STR", [])}
            if index not in entries:
                problems.append(f"{at}: {language} has no [MENU_ITEM_STR] entry STR_{index}")
            elif len(entries) <= index:
                problems.append(f"{at}: {language} [MENU_ITEM_STR] needs more than {index} "
                                f"entries to show STR_{index}")


def check_menus(folder, languages, problems):
    if not os.path.isdir(folder):
        problems.append(f"{folder}: no such data folder")
        return []
    files = sorted(f for f in os.listdir(folder) if re.fullmatch(r"MENUITEM.*\.DAT", f))
    for mode, name in sorted(MENU_FILES.items()):
        if name not in files:
            problems.append(f"{folder}: no {name} (menu of launch mode {mode})")
    for name in files:
        if name not in MENU_FILES.values():
            problems.append(f"{name}: no launch mode reads this menu file")
        check_menu(os.path.join(folder, name), languages, problems)
    return files


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    data_folder = (sys.argv[2] if len(sys.argv) > 2
                   else os.path.dirname(os.path.abspath(folder)))
    problems = []
    files = sorted(f for f in os.listdir(folder) if f.upper().endswith(".DAT"))
    if "0409.DAT" not in files:
        print(f"{folder}: no English file 0409.DAT")
        return 1
    parsed = {}
    texts = {}
    for name in files:
        if not re.fullmatch(r"[0-9A-F]{4}\.DAT", name):
            problems.append(f"{name}: file names are four upper-case hexadecimal digits + .DAT")
        parsed[name] = parse(os.path.join(folder, name), problems)
        texts[name] = shown_texts(parsed[name], problems, name)
        check_required(parsed[name], name, problems)
    shipped = {int(name[:4], 16) for name in files if re.fullmatch(r"[0-9A-F]{4}\.DAT", name)}
    for name in files:
        offered = [r["numbers"][0] for r in parsed[name].get("SELECT_LANG_DLG_CMB", [])
                   if r["id"] == 1000]
        if sorted(offered) != sorted(shipped) or len(set(offered)) != len(offered):
            problems.append(f"{name}: the language list offers {[hex(x) for x in offered]}, "
                            f"the shipped files are {[hex(x) for x in sorted(shipped)]}")
    for name in files:
        if name != "0409.DAT":
            compare(parsed["0409.DAT"], texts["0409.DAT"], parsed[name], texts[name], name,
                    problems)
    menus = check_menus(data_folder, parsed, problems)
    for problem in problems:
        print(problem)
    if not problems:
        print(f"{len(files)} language files checked: {', '.join(files)}")
        print(f"{len(menus)} menu files checked: {', '.join(menus)}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
