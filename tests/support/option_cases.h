// Queries with the two options, «Учитывать регистр» and «Слово целиком», against texts
// of Latin and Cyrillic letters of both cases: one table that the engine's tests and the
// editor's run alike.
#pragma once

struct OptionCase {
    const char* text;
    const char* query;
    int match_case;
    int whole_word;
    int from;     // where the search starts: the end of the editor's selection
    int offset;   // the match, or -1 for none
    int length;
    const char* replacement_template;   // null: Find only
    const char* replaced;               // the text after one Replace from `from`
};

constexpr OptionCase OPTION_CASES[] = {
    {"Компания ООО Ромашка", "ооо ромашка", 1, 0, 0, -1, 0, nullptr, nullptr},
    {"Компания ООО Ромашка", "ооо ромашка", 0, 0, 0, 9, 11, nullptr, nullptr},
    {"ЁЛКА и Ёлка", "ёлка", 0, 0, 0, 0, 4, nullptr, nullptr},
    {"ЁЛКА и Ёлка", "ёлка", 0, 0, 1, 7, 4, nullptr, nullptr},
    {"ЁЛКА и Ёлка", "елка", 0, 0, 0, -1, 0, nullptr, nullptr},   // е is no ё
    {"ЂЃЉЊЌЋЏЎЈҐЄЇІЅ", "ђѓљњќћџўјґєїіѕ", 0, 0, 0, 0, 14, nullptr, nullptr},
    {"ЂЃЉЊЌЋЏЎЈҐЄЇІЅ", "ђѓљњќћџўјґєїіѕ", 1, 0, 0, -1, 0, nullptr, nullptr},
    {"xABC", "\\x61bc", 0, 0, 0, 1, 3, nullptr, nullptr},   // an escape's letter too
    {"xABC", "\\x61bc", 1, 0, 0, -1, 0, nullptr, nullptr},
    {"ТОООО ООО2 ООО", "ООО", 1, 0, 0, 1, 3, nullptr, nullptr},
    {"ТОООО ООО2 ООО", "ООО", 1, 1, 0, 11, 3, nullptr, nullptr},
    {"ТОООО ООО2 ооо", "ООО", 0, 1, 0, 11, 3, nullptr, nullptr},
    {"abc", "abc", 1, 1, 0, 0, 3, nullptr, nullptr},   // the text's start and end
    {"abcd", "abc", 1, 1, 0, -1, 0, nullptr, nullptr},
    {"x42 42", "42", 1, 1, 0, 4, 2, nullptr, nullptr},   // digits belong to words
    {"слово", "лово", 1, 1, 1, -1, 0, nullptr, nullptr},   // before the search's start
    {"слово", "лово", 1, 0, 1, 1, 4, nullptr, nullptr},
    {"«ab» µab", "ab", 1, 1, 0, 1, 2, nullptr, nullptr},   // µ is a letter, « » are not
    {"µab ab", "ab", 1, 1, 0, 4, 2, nullptr, nullptr},
    {"ab cd abc", "a*c", 1, 1, 0, 6, 3, nullptr, nullptr},   // "ab c" has d behind it
    {"xab abc", "ab*", 1, 1, 0, 4, 3, nullptr, nullptr},   // nothing after the text's end
    {"xбв бв", "?бв", 1, 1, 0, 4, 2, nullptr, nullptr},
    {"Имя: ИВАН; имя: Пётр", "имя: %n%;", 0, 0, 0, 0, 10, "%n% — имя",
     "ИВАН — имя имя: Пётр"},   // the capture as the text has it, the template as typed
    {"Abc abc", "ABC", 0, 0, 4, 4, 3, "XyZ", "Abc XyZ"},
    {"ООО2 ООО", "ООО", 1, 1, 0, 5, 3, "АО", "ООО2 АО"},
};
