#pragma once
// The program's help: one HTML document shown in a window of its own, opened
// at its beginning or at a topic (an anchor of the document).

#include <QWidget>

class QTextBrowser;

namespace vyn {

class UserDialogs;

class HelpWindow : public QWidget
{
public:
    HelpWindow(QString documentPath, QString programTitle, UserDialogs& dialogs,
               QWidget* parent = nullptr);

    // Shows the document at the topic, or at its beginning for an empty one; a
    // missing document is reported and nothing is shown.
    bool showTopic(const QString& topic = {});

    QTextBrowser* browser() const { return m_browser; }

protected:
    // Escape closes the window, as it closes the program's dialogs.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_path;
    QString m_title;
    UserDialogs& m_dialogs;
    QTextBrowser* m_browser = nullptr;
};

} // namespace vyn
