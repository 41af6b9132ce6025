#include "app/ui/file_drops.h"

#include <QList>
#include <QMimeData>
#include <QUrl>

#include "app/ui/start_position.h"

namespace tavrine::ui {

DroppedFile droppedFile(const QMimeData* data) {
    DroppedFile file;
    if (data == nullptr || !data->hasUrls()) return file;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) return file;
    const QString path = urls.first().toLocalFile();
    const std::string name = path.toStdString();
    if (isDesignFileName(name)) {
        file.kind = DroppedKind::Design;
    } else if (isPositionFileName(name)) {
        file.kind = DroppedKind::Position;
    } else {
        return file;
    }
    file.path = path;
    return file;
}

}  // namespace tavrine::ui
