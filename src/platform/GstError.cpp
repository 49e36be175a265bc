#include "GstError.h"

#include "GstHandles.h"

std::optional<Error> errorFromMessage(GstMessage* message)
{
    GError* raw = nullptr;
    gst_message_parse_error(message, &raw, nullptr);
    GErrorPtr gerror(raw);
    if (!gerror)
        return std::nullopt;
    return Error{QString::fromUtf8(g_quark_to_string(gerror->domain)), gerror->code, QString::fromUtf8(gerror->message)};
}
