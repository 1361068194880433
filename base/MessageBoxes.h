#pragma once

#include <QString>

class QObject;
class QWidget;

enum class MessageButtons {
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
    // "Continue" and "Discard": the box stays until one is chosen.
    ContinueDiscard,
    // "Discard" alone.
    Discard
};
enum class MessageIcon { None, Information, Question, Warning, Critical };
enum class MessageAnswer { Ok, Cancel, Yes, No, Continue, Discard };

// One message box as the operator would see it.
struct MessageRequest {
    QString text;
    QString title;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
};

// Shows message boxes; replaced by a recorder in tests.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual MessageAnswer show(QWidget* parent, const MessageRequest& request) = 0;
};

// Every message box of the program goes through here. Must be called on the window thread.
// An empty title stands for the application's name, as the operator's boxes always show one.
MessageAnswer showMessage(QWidget* parent, const QString& text, const QString& title = {},
                          MessageButtons buttons = MessageButtons::Ok,
                          MessageIcon icon = MessageIcon::None);

// The same box, shown once the event that asks for it has returned: a box opened inside a run
// tick would hold the run's next ticks back until somebody answers it. Nothing is shown when
// context is gone by then (context nullptr: the application).
void showMessageLater(QObject* context, QWidget* parent, const QString& text,
                      const QString& title = {}, MessageButtons buttons = MessageButtons::Ok,
                      MessageIcon icon = MessageIcon::None);

// Installs the service that shows the boxes; nullptr restores the real dialogs.
void setMessageBoxService(MessageBoxService* service);
