#pragma once

// Scripted answers for the message boxes and common dialogs of GUI tests.
// Each backend installs itself for its lifetime (the one installed before it
// comes back when it goes), answers synchronously from its queue, records
// every box or dialog it was asked to show, and counts the ones it was not
// prepared for, which tests check with unexpected().

#include "platform/CommonDialog.h"
#include "platform/CommonDialogBackend.h"
#include "platform/MessageBoxBackend.h"

#include <QColor>
#include <QList>
#include <QQueue>
#include <QString>

#include <functional>
#include <memory>

class ScriptedMessageBoxes : public MessageBoxBackend
{
public:
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes() override;
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    // The answer to the next box, in order.
    void expect(MsgResult answer);

    MsgResult show(const MessageBoxRequest& request) override;

    const QList<MessageBoxRequest>& requests() const { return m_requests; }
    // The texts of the boxes shown, for short assertions.
    QStringList texts() const;
    // Boxes shown with no answer queued; they were answered Cancel.
    int unexpected() const { return m_unexpected; }
    // Answers queued but not yet used.
    int remaining() const { return int(m_answers.size()); }

private:
    std::shared_ptr<MessageBoxBackend> m_previous;
    QQueue<MsgResult> m_answers;
    QList<MessageBoxRequest> m_requests;
    int m_unexpected = 0;
};

class ScriptedCommonDialogs : public CommonDialogBackend
{
public:
    using Answer = std::function<bool(CommonDialog&)>;

    // What a dialog was asked to show, taken from the instance when it was shown.
    struct Shown {
        CommonDialogKind kind;
        QString title;
        quint32 flags = 0;
        QString filter;
        int filterIndex = 0;
        QString fileName;
        bool cancelError = false;
    };

    ScriptedCommonDialogs();
    ~ScriptedCommonDialogs() override;
    ScriptedCommonDialogs(const ScriptedCommonDialogs&) = delete;
    ScriptedCommonDialogs& operator=(const ScriptedCommonDialogs&) = delete;

    // The next dialog must be of this kind; the answer writes the user's
    // choices into the instance and returns true to accept, false to cancel.
    void expect(CommonDialogKind kind, Answer answer);

    bool show(CommonDialogKind kind, CommonDialog& dialog) override;

    const QList<Shown>& shown() const { return m_shown; }
    // Dialogs shown with no answer queued, or of another kind than the one
    // expected next; they were cancelled.
    int unexpected() const { return m_unexpected; }
    int remaining() const { return int(m_answers.size()); }

    // Answers a user gives.
    static Answer cancel();
    static Answer accept();
    // Types path and picks the filter entry (counted from 1; 0 keeps the one
    // the dialog proposed).
    static Answer saveAs(const QString& path, int filterIndex = 0);
    static Answer open(const QString& path, int filterIndex = 0);
    // Accepts a printer dialog with printing going to a PDF file.
    static Answer printToFile(const QString& pdfPath);
    static Answer chooseFont(const QString& name, float size, bool bold = false, bool italic = false,
                             bool underline = false, bool strikethru = false);
    static Answer chooseColor(const QColor& color);

private:
    std::shared_ptr<CommonDialogBackend> m_previous;
    QQueue<QPair<CommonDialogKind, Answer>> m_answers;
    QList<Shown> m_shown;
    int m_unexpected = 0;
};

const char* commonDialogKindName(CommonDialogKind kind);
