#pragma once
// The chip list "VekSel.INC": one line per chip model, giving its description file, its name and
// its size text. The setup dialog's chip list shows "name  size"; a model's position in that list
// is its chip model index.
#include <QString>
#include <QStringList>

namespace vek {

inline constexpr const char *kChipListFileName = "VekSel.INC";

// The list texts of a chip list file's text: token 2, two blanks, token 3 of every line, up to the
// end of the text or the first line whose token 1 is shorter than 3 characters.
QStringList ChipListTexts(const QString &text);

// The list shown when the chip list file is missing: four models, sixteen times over.
QStringList FallbackChipList();

// The setup dialog's chip list: from INCLUDE/VekSel.INC below programDir, or the fallback list
// when that file cannot be read.
QStringList ReadChipList(const QString &programDir);
// The chip list position a command-line choice names: a position, or a model name ("ZR300", any
// letter case). -1 when the list has no such model.
int ChipIndexFromChoice(const QString &programDir, const QString &choice);

// Token 1 (the description file name) of line index (from 0) of a chip list file's text; empty
// when the text has no such line.
QString ChipListFileName(const QString &text, int index);

} // namespace vek
