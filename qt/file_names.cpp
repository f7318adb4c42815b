#include "qt/file_names.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace soar {

QHash<QString, QString>& save_folders() {
    static QHash<QString, QString> folders;
    return folders;
}

QString suggested_file_name(const QString& pattern, const QString& extension,
                            const QDateTime& when) {
    QString name = QStringLiteral("soarcalculus");
    if (!pattern.isEmpty()) name += QLatin1Char('-') + pattern;
    return name + QLatin1Char('-') + when.toString(QStringLiteral("yyyy-MM-dd-HHmm")) +
           QLatin1Char('.') + extension;
}

QString save_start(const QString& kind, const QString& name) {
    const QString folder = save_folders().value(kind);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return name;
    return QDir(folder).filePath(name);
}

QStringList filter_extensions(const QString& filter) {
    QStringList out;
    static const QRegularExpression star(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    for (auto m = star.globalMatch(filter); m.hasNext();) out << m.next().captured(1).toLower();
    return out;
}

QString chosen_save_path(const QString& kind, const QString& path, const QString& filter) {
    if (path.isEmpty()) return path;
    QString out = path;
    const QStringList extensions = filter_extensions(filter);
    const QString name = QFileInfo(path).fileName().toLower();
    bool has = false;
    for (const QString& e : extensions) has = has || name.endsWith(QLatin1Char('.') + e);
    if (!has && !extensions.isEmpty()) out += QLatin1Char('.') + extensions.front();
    save_folders()[kind] = QFileInfo(out).absolutePath();
    return out;
}

}  // namespace soar
