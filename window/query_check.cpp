// The user's words for each fault that the engine finds in a query or template.
#include "query_check.h"

#include <stdio.h>

#include "control_text.h"
#include "query.h"

namespace {

constexpr char FAULT_CAPTION[] = "Ошибка";
constexpr char IN_QUERY[] = "В запросе";
constexpr char IN_REPLACEMENT[] = "В тексте замены";
// A longer `%name%` item is shown cut.
constexpr int ITEM_SHOWN = 40;

constexpr char UNCLOSED_NAME[] =
    "%s знак %% в позиции %u не закрыт: имя пишется между двумя знаками %%, "
    "например %%имя%%. Сам знак процента пишут как \\%%.";
constexpr char LONE_BACKSLASH[] =
    "%s обратная косая черта в позиции %u стоит в конце куска текста и ничего не "
    "обозначает. Саму черту пишут как \\\\.";
constexpr char SHORT_HEX[] =
    "%s после \\x в позиции %u нет двух знаков шестнадцатеричного кода "
    "(например, \\x41 - буква A).";
constexpr char QUERY_TOO_MANY_PARTS[] =
    "В запросе больше 255 частей: каждый знак * и ? и каждое %%имя%% начинают новую часть.";
constexpr char TEMPLATE_TOO_MANY_PARTS[] =
    "В тексте замены больше 255 частей: каждое %%имя%% начинает новую часть.";
constexpr char BAD_NAME[] =
    "%s имя «%.*s%s» в позиции %u недопустимо: в имени могут быть только латинские буквы "
    "и цифры.";

}  // namespace

bool refuse_faulty_query(const Window* window, const char* query, const char* replacement) {
    QueryFault fault;
    QueryFaultKind kind = find_query_fault(query, replacement, &fault);
    if (kind == QUERY_FAULT_NONE) return false;
    if (kind == QUERY_FAULT_NO_MEMORY) {
        report_no_memory(window);
        return true;
    }
    const char* typed = fault.in_template ? replacement : query;
    const char* place = fault.in_template ? IN_REPLACEMENT : IN_QUERY;
    unsigned position = fault.position + 1;   // counted from 1, as a user counts
    char message[512];
    switch (kind) {
    case QUERY_FAULT_UNCLOSED_NAME:
        snprintf(message, sizeof message, UNCLOSED_NAME, place, position);
        break;
    case QUERY_FAULT_LONE_BACKSLASH:
        snprintf(message, sizeof message, LONE_BACKSLASH, place, position);
        break;
    case QUERY_FAULT_SHORT_HEX:
        snprintf(message, sizeof message, SHORT_HEX, place, position);
        break;
    case QUERY_FAULT_TOO_MANY_PARTS:
        snprintf(message, sizeof message, "%s",
                 fault.in_template ? TEMPLATE_TOO_MANY_PARTS : QUERY_TOO_MANY_PARTS);
        break;
    default: {
        bool cut = fault.length > ITEM_SHOWN;
        int shown = cut ? ITEM_SHOWN : static_cast<int>(fault.length);
        snprintf(message, sizeof message, BAD_NAME, place, shown, typed + fault.position,
                 cut ? "…" : "", position);
        break;
    }
    }
    window->ops->message_box(window->user, message, FAULT_CAPTION);
    return true;
}
