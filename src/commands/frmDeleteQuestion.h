#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Asks whether to delete the active document's file. "Да" (Enter) accepts,
// "Нет" (Escape) refuses; what follows is the file commands' business.
class frmDeleteQuestion : public QDialog
{
    Q_OBJECT
public:
    explicit frmDeleteQuestion(const QString& path, QWidget* parent = nullptr);

    QLabel* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();

private:
    QRect twipsRect(int left, int top, int width, int height) const;

    QString m_path;
};
