#include "call_text.h"

namespace tarnfold::testing {

std::string CallText(const RecordedCall& call) {
    std::string kind = "flags" + std::to_string(call.flags);
    if (call.flags == DISPATCH_METHOD) kind = "M";
    if (call.flags == (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) kind = "G";
    if (call.flags == DISPATCH_PROPERTYPUT) kind = "P";
    std::string text = call.object + "." + call.member + " " + kind + " [";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        const RecordedArg& arg = call.args[i];
        if (i > 0) text += ", ";
        if (!arg.name.empty()) text += arg.name + "=";
        switch (arg.type) {
            case VT_BSTR:
                text += "'" + arg.value + "'";
                break;
            case VT_BYREF | VT_BSTR:
                text += "&'" + arg.value + "'";
                break;
            case VT_I4:
                text += "i:" + arg.value;
                break;
            case VT_BOOL:
                text += "b:" + arg.value;
                break;
            default:
                text += "vt" + std::to_string(arg.type) + ":" + arg.value;
                break;
        }
    }
    return text + "]";
}

std::vector<std::string> CallTexts(const std::vector<RecordedCall>& calls) {
    std::vector<std::string> texts;
    for (const RecordedCall& call : calls) texts.push_back(CallText(call));
    return texts;
}

}  // namespace tarnfold::testing
