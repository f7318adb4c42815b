// Where saves go: the folder each kind of save was last made in, a suggested
// name (the program, the pattern, the date and time), and the extension added
// to a name typed without one, so that the file shows in the dialog that
// loads its kind.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

namespace soar {

// Folders by kind ("csv", "picture", "charts", "kml", "params", "video",
// "still"); the remembered settings fill and keep them.
QHash<QString, QString>& save_folders();

// "soarcalculus-upwind-2024-05-01-1530.csv"
QString suggested_file_name(const QString& pattern, const QString& extension,
                            const QDateTime& when = QDateTime::currentDateTime());

// Where a save dialog of `kind` starts: the kind's last folder (else the
// current one) and the name.
QString save_start(const QString& kind, const QString& name);

// The path the user chose, with "." + the extension of `filter` chosen added
// when the name ends in none of the extensions `filter` lists ("CSV files
// (*.csv)"), and its folder remembered for `kind`. "" stays "" (cancelled).
QString chosen_save_path(const QString& kind, const QString& path, const QString& filter);

// The extensions a dialog filter lists: "PNG images (*.png);;SVG (*.svg)" gives png, svg.
QStringList filter_extensions(const QString& filter);

}  // namespace soar
