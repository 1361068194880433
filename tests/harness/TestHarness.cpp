#include "tests/harness/TestHarness.h"

#include "base/Paths.h"

#include <QLocale>
#include <QSettings>
#include <cstdlib>

namespace {
TestEnvironment* g_environment = nullptr;
}

MessageAnswer RecordingMessageBoxes::show(QWidget*, const MessageRequest& request) {
    m_shown.append(request);
    if (!m_answers.empty()) {
        const MessageAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    switch (request.buttons) {
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Yes;
    case MessageButtons::ContinueDiscard:
    case MessageButtons::Discard:
        // Nothing is picked up that a test did not ask for.
        return MessageAnswer::Discard;
    default:
        return MessageAnswer::Ok;
    }
}

void RecordingMessageBoxes::clear() {
    m_shown.clear();
    m_answers.clear();
}

TestEnvironment::TestEnvironment(const char*) {
    // HOME decides the working folders and where settings live; nothing may touch the real one.
    qputenv("HOME", m_home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (m_home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (m_home.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    g_environment = this;
    setMessageBoxService(&m_messages);
}

TestEnvironment::~TestEnvironment() {
    setMessageBoxService(nullptr);
    g_environment = nullptr;
}

TestEnvironment& TestEnvironment::instance() {
    return *g_environment;
}

QString TestEnvironment::programFolder() {
    return QStringLiteral(TESSALY_PROGRAM_DIR);
}

void TestEnvironment::configureApplication(const char* testName) {
    QCoreApplication::setOrganizationName(QStringLiteral("TessalyTests"));
    QCoreApplication::setApplicationName(QString::fromLatin1(testName));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QLocale::setDefault(QLocale::c());
    setProgramFolder(programFolder());
}
