#pragma once
// The template databases of a data folder (NEW\DATA, NEW\FIRMA, NEW\LUNA), replaced by those of
// an archive as a whole or not at all, by both copies.
#include <QList>
#include <QString>
#include <array>

class TZipReader;

// The template folders below a data folder's NEW.
inline const std::array<QString, 3> TemplateFolders = {"DATA", "FIRMA", "LUNA"};
// Where the new NEW is built, beside the old one; what an interrupted run left there is removed.
inline const QString TemplateStaging = "NEW.zarederad-staging";

// What gives way of the old templates: the files of the three folders (read-only ones stay, as
// they cannot be deleted), and in an upgrade their pictures (.BMP, .PNG) stay too, made writable
// so that the archive can replace them.
enum class TTemplateRule { Fresh, Upgrade };

// Writes the entries at indices of a template archive into a data folder. Those below NEW go into
// a copy of the old NEW in the staging folder (what the rule keeps hard-linked, so nothing of the
// old one changes), which takes NEW's place in one step once every entry is written; other
// entries are written straight into the data folder. Without a reader the old templates are only
// cleaned by the rule, in the same way. A failure leaves the old templates as they were and
// travels on. NEW may not be a link (refused before anything is written); links inside it are
// never followed: in the three folders they are dropped, elsewhere kept as links.
void UnpackTemplates(TZipReader* reader, const QList<int>& indices, const QString& dataDir,
                     TTemplateRule rule);
