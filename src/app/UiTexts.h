#pragma once

#include <QString>

// Every text the user sees, in one place so that code and tests share them.
// They are kept exactly as the program has always shown them, including the
// spellings "Фаил" and "Дата/время " (trailing blank).
namespace UiTexts {

inline const QString AppTitle = QStringLiteral("Пергалот");
inline const QString UntitledPrefix = QStringLiteral("Документ");
inline const QString UntitledCaption = QStringLiteral("Документ ");

// Status bar
inline const QString StatusPanelDesign = QStringLiteral("Статус");
inline const QString StatusPanelStart = QStringLiteral("Для вызова 'Справки' нажмите F1");
inline const QString StatusTipStatus = QStringLiteral("Статус");
inline const QString StatusNum = QStringLiteral("NUM");
inline const QString StatusCaps = QStringLiteral("CAPS");
inline const QString StatusIns = QStringLiteral("INS");
inline const QString StatusTipNum = QStringLiteral("Состояние клавиши NUM LOCK");
// "САР" is Cyrillic, the "S" Latin.
inline const QString StatusTipCaps = QStringLiteral("Состояние клавиши \u0421\u0410\u0420S LOCK");
inline const QString StatusTipIns = QStringLiteral("Состояние клавиши INSERT");
inline const QString StatusTipDate = QStringLiteral("Дата");
inline const QString StatusTipTime = QStringLiteral("Время");

// Close prompt of a document window
inline const QString SaveChangesPrefix = QStringLiteral("Сохранить изменения в ");
inline const QString SaveChangesSuffix = QStringLiteral(" ?");
inline const QString CloseSaveTitle = QStringLiteral("Save As");
inline const QString SaveFilter = QStringLiteral(
    "Текстовые документы|*.txt|Web страница|*.htm|RTF Text (*.rtf)|*.rtf|Все файлы (*.*)|*.*");
inline const QString SaveFailed = QStringLiteral("Не удалось сохранить файл %1:\n%2");

} // namespace UiTexts

// Edit and format commands
namespace UiTexts {

inline const QString HelpNotReady = QStringLiteral("В данной версии пергалота справка не готова");

} // namespace UiTexts
