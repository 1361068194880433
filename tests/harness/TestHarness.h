#pragma once

#include "base/MessageBoxes.h"

#include <QApplication>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <memory>

// Records every message box the program shows and answers from a queue the test fills.
// Unanswered boxes get their first button (OK or Yes; Discard where a run is offered) so a
// test never hangs on a dialog.
class RecordingMessageBoxes final : public MessageBoxService {
public:
    MessageAnswer show(QWidget* parent, const MessageRequest& request) override;

    void answerNext(MessageAnswer answer) { m_answers.push_back(answer); }
    const QList<MessageRequest>& shown() const { return m_shown; }
    int count() const { return static_cast<int>(m_shown.size()); }
    const MessageRequest& last() const { return m_shown.constLast(); }
    void clear();

private:
    QList<MessageRequest> m_shown;
    std::deque<MessageAnswer> m_answers;
};

// The per-process test environment: a fresh HOME, its own settings identity and the message
// box recorder installed. Created once before the application object.
class TestEnvironment {
public:
    explicit TestEnvironment(const char* testName);
    ~TestEnvironment();

    static TestEnvironment& instance();
    QString home() const { return m_home.path(); }
    RecordingMessageBoxes& messages() { return m_messages; }
    // The program folder of the build: executable, clips, samples.
    static QString programFolder();
    // Gives the application object its test identity; called right after it is created.
    static void configureApplication(const char* testName);

private:
    QTemporaryDir m_home;
    RecordingMessageBoxes m_messages;
};

// Every test program starts through this: environment first, then one application object.
#define TESSALY_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char** argv) {                                                              \
        TestEnvironment environment(#TestClass);                                                   \
        QApplication app(argc, argv);                                                              \
        TestEnvironment::configureApplication(#TestClass);                                         \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
