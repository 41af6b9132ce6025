#include "app/ui/start_position.h"

namespace tavrine::ui {

StartPosition takeStartPosition(const std::string& path, Session& session) {
    StartPosition result;
    PositionInfo info;
    std::string error;
    if (!readPositionInfo(path, info, false, &error)) {
        result.refusal = "cannot read " + path + ": " + error;
        return result;
    }
    takeRecordSettings(session, info);
    result.info = info;
    return result;
}

}  // namespace tavrine::ui
