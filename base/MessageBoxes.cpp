#include "base/MessageBoxes.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

class DialogMessageBoxes final : public MessageBoxService {
public:
    MessageAnswer show(QWidget* parent, const MessageRequest& r) override {
        QMessageBox box(parent);
        box.setText(r.text);
        box.setWindowTitle(r.title);
        switch (r.icon) {
        case MessageIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MessageIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        }
        switch (r.buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case MessageButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case MessageButtons::ContinueDiscard:
        case MessageButtons::Discard:
            return askContinueOrDiscard(box, r.buttons);
        }
        switch (box.exec()) {
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        default:
            // Closing a box without a Cancel button counts as its only answer.
            return r.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
        }
    }

private:
    static MessageAnswer askContinueOrDiscard(QMessageBox& box, MessageButtons buttons) {
        QAbstractButton* keep = nullptr;
        if (buttons == MessageButtons::ContinueDiscard) {
            // Neither button rejects, so Esc and the close box do nothing: a choice is made.
            keep = box.addButton(QStringLiteral("Continue"), QMessageBox::AcceptRole);
        }
        QAbstractButton* discard =
            box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
        box.setDefaultButton(qobject_cast<QPushButton*>(keep != nullptr ? keep : discard));
        box.exec();
        return keep != nullptr && box.clickedButton() == keep ? MessageAnswer::Continue
                                                              : MessageAnswer::Discard;
    }
};

DialogMessageBoxes g_dialogs;
MessageBoxService* g_service = &g_dialogs;

} // namespace

MessageAnswer showMessage(QWidget* parent, const QString& text, const QString& title,
                          MessageButtons buttons, MessageIcon icon) {
    MessageRequest request{text, title, buttons, icon};
    if (request.title.isEmpty()) {
        request.title = QCoreApplication::applicationName();
    }
    return g_service->show(parent, request);
}

void showMessageLater(QObject* context, QWidget* parent, const QString& text, const QString& title,
                      MessageButtons buttons, MessageIcon icon) {
    QObject* guard = context != nullptr ? context : QCoreApplication::instance();
    QTimer::singleShot(0, guard,
                       [owner = QPointer<QWidget>(parent), hadOwner = parent != nullptr, text,
                        title, buttons, icon] {
                           if (hadOwner && owner.isNull()) {
                               return;
                           }
                           showMessage(owner.data(), text, title, buttons, icon);
                       });
}

void setMessageBoxService(MessageBoxService* service) {
    g_service = service != nullptr ? service : &g_dialogs;
}
