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

// Tag completion
inline const QString TagsFileName = QStringLiteral("tags.lst");
inline const QString TagsFileNotFound = QStringLiteral("Couldn't find the specified tags file!");
inline const QString TagsErrorTitle = QStringLiteral("Error");
inline const QString TagsErrorNumberTitle = QStringLiteral("Error #");  // followed by the number
inline const QString OptionsLowerCaption = QStringLiteral("Теги в нижнем регистре");
inline const QString OptionsUpperCaption = QStringLiteral("Теги в верхнем регистре");
inline const QString OptionsCompleteCaption = QStringLiteral("Вставлять закрывающий тег");

// Spelling
inline const QString SpellCheckCaption = QStringLiteral("Проверка орфографии");
inline const QString SpellAddToDictionary = QStringLiteral("Добавить в словарь");
inline const QString SpellAddFailed = QStringLiteral("Слово не записано в личный словарь.\n%1");
inline const QString SpellDictionaryFailed = QStringLiteral("Словарь для проверки орфографии не загружен: %1.");

// Find and replace dialog
inline const QString FindCaption = QStringLiteral(" Наити");
inline const QString FindClose = QStringLiteral("Закрыть");
inline const QString FindReplaceButton = QStringLiteral("Заменить");
inline const QString FindLabel = QStringLiteral("Найти:");
inline const QString FindReplaceLabel = QStringLiteral("Заменить:");
inline const QString FindButton = QStringLiteral("Найти");
inline const QString FindMatchCase = QStringLiteral(" С учетом регистра");
inline const QString FindNextButton = QStringLiteral("Найти далее");
inline const QString FindReplaceAllButton = QStringLiteral("Заменить всё");
inline const QString FindNotFoundFromStart = QStringLiteral("String not found");
inline const QString FindNotFound = QStringLiteral("Строка не найдена!");
inline const QString FindReplaceAllDone = QStringLiteral("Перемещено");

// Symbol table
inline const QString SymbolCaption = QStringLiteral("Таблица символов");
inline const QString SymbolCopy = QStringLiteral("Копировать в буфер обмена");
inline const QString SymbolInsert = QStringLiteral("Вставить");
inline const QString SymbolClose = QStringLiteral("Закрыть");

// About box
inline const QString AboutCaption = QStringLiteral("О программе 'Пергалот'");
inline const QString AboutSysInfo = QStringLiteral("&Информация о системе...");
// "ОК" in Cyrillic letters
inline const QString AboutOK = QStringLiteral("\u041E\u041A");
inline const QString AboutShowSysInfo = QStringLiteral("Показывать информацию о системе");
inline const QString AboutVersionPrefix = QStringLiteral("Версия ");
inline const QString AboutDescription = QStringLiteral("Редактор текстов, веб-страниц и документов RTF.");
inline const QString AboutCredits = QStringLiteral("Написан на C++ с библиотекой Qt.");
inline const QString SysInfoUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

// File commands: open, save as, print, page setup, delete
inline const QString OpenTitle = QStringLiteral("Открыть");
inline const QString OpenFilter = QStringLiteral(
    "Текстовые документы|*.txt|Web страница|*.htm|RTF text (*.rtf)|*.rtf|Все файлы (*.*)|*.*");
inline const QString SaveAsTitle = QStringLiteral("Сохранить как...");
inline const QString PrintTitle = QStringLiteral("Печать");
inline const QString PageSetupTitle = QStringLiteral("Page Setup");
inline const QString DeleteQuestionCaption = QStringLiteral("Запрос об удалении файла");
inline const QString DeleteQuestionPrefix = QStringLiteral("Вы действительно хотите удалить  ");
inline const QString DeleteQuestionSuffix = QStringLiteral("?");
inline const QString DeleteQuestionYes = QStringLiteral("Да");
inline const QString DeleteQuestionNo = QStringLiteral("Нет");
inline const QString OpenFailed = QStringLiteral("Не удалось открыть файл %1:\n%2");
inline const QString DeleteFailed = QStringLiteral("Не удалось удалить файл %1:\n%2");
inline const QString DeleteKeptSaved =
    QStringLiteral("Файл %1 не удалён: в него только что сохранён документ.");

// Recovery of unsaved documents after the program or the machine stopped
inline const QString RecoveryOffer = QStringLiteral(
    "Пергалот завершился, не сохранив изменения в документах:\n\n%1\n\nВосстановить несохранённые документы?");
inline const QString RecoveryDamaged =
    QStringLiteral("Эти копии несохранённых документов не удалось прочитать, они пропущены:\n\n%1");
inline const QString RecoveryDamagedLine = QStringLiteral("%1: %2 (файл отложен: %3)");
inline const QString RecoveryOff = QStringLiteral(
    "Копии несохранённых документов больше не сохраняются.\n%1\nРабота с документами продолжается.");

} // namespace UiTexts

// Edit and format commands
namespace UiTexts {

inline const QString HelpNotReady = QStringLiteral("В данной версии пергалота справка не готова");

} // namespace UiTexts
