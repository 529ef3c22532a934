// The user's words for each fault that the engine finds in a query or template.
#include "query_check.h"

#include <stdio.h>

#include "control_text.h"
#include "mask_list.h"
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
    "%s больше 255 частей: каждый знак * и ? и каждое %%имя%% начинают новую часть.";
constexpr char TEMPLATE_TOO_MANY_PARTS[] =
    "В тексте замены больше 255 частей: каждое %%имя%% начинает новую часть.";
constexpr char BAD_NAME[] =
    "%s имя «%.*s%s» в позиции %u недопустимо: в имени могут быть только латинские буквы "
    "и цифры.";
constexpr char IN_MASK[] = "В маске «%.*s%s»";
constexpr char NOTHING_EXCLUDED[] =
    "Маска «!» в позиции %u ничего не исключает: после ! пишется маска того, что "
    "не нужно просматривать, например !*\\\\архив.";

// Words `fault` of a text typed as `typed`, in which `place` tells where it is, into
// `message`.
void word_fault(const QueryFault& fault, const char* place, const char* typed, char* message,
                size_t size) {
    unsigned position = fault.position + 1;   // counted from 1, as a user counts
    switch (fault.kind) {
    case QUERY_FAULT_UNCLOSED_NAME:
        snprintf(message, size, UNCLOSED_NAME, place, position);
        break;
    case QUERY_FAULT_LONE_BACKSLASH:
        snprintf(message, size, LONE_BACKSLASH, place, position);
        break;
    case QUERY_FAULT_SHORT_HEX:
        snprintf(message, size, SHORT_HEX, place, position);
        break;
    case QUERY_FAULT_TOO_MANY_PARTS:
        if (fault.in_template) snprintf(message, size, "%s", TEMPLATE_TOO_MANY_PARTS);
        else snprintf(message, size, QUERY_TOO_MANY_PARTS, place);
        break;
    default: {
        bool cut = fault.length > ITEM_SHOWN;
        int shown = cut ? ITEM_SHOWN : static_cast<int>(fault.length);
        snprintf(message, size, BAD_NAME, place, shown, typed + fault.position,
                 cut ? "…" : "", position);
        break;
    }
    }
}

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
    char message[512];
    word_fault(fault, fault.in_template ? IN_REPLACEMENT : IN_QUERY, typed, message,
               sizeof message);
    window->ops->message_box(window->user, message, FAULT_CAPTION);
    return true;
}

bool refuse_faulty_mask(const Window* window, const char* field) {
    MaskFault fault;
    MaskFaultKind kind = find_mask_fault(field, &fault);
    if (kind == MASK_FAULT_NONE) return false;
    if (kind == MASK_FAULT_NO_MEMORY) {
        report_no_memory(window);
        return true;
    }
    char message[512];
    if (kind == MASK_FAULT_NOTHING_EXCLUDED) {
        snprintf(message, sizeof message, NOTHING_EXCLUDED, fault.mask.typed + 1);
    } else {
        // The mask named as typed, a long one cut.
        uint32_t length = fault.mask.end - fault.mask.typed;
        bool cut = length > ITEM_SHOWN;
        int shown = cut ? ITEM_SHOWN : static_cast<int>(length);
        char place[ITEM_SHOWN + 32];
        snprintf(place, sizeof place, IN_MASK, shown, field + fault.mask.typed, cut ? "…" : "");
        word_fault(fault.query, place, field, message, sizeof message);
    }
    window->ops->message_box(window->user, message, FAULT_CAPTION);
    return true;
}
