#include "help/HelpBrowser.h"

#include "help/HelpLinks.h"
#include "help/HelpText.h"

#include <QDesktopServices>
#include <QImage>

HelpBrowser::HelpBrowser(QWidget* parent)
    : QTextBrowser(parent), m_external([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    // Links are routed by hand so that outside links never reach setSource.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { setSource(url); });
}

void HelpBrowser::setHelpFile(const ChmFile& file) {
    m_file = file;
}

void HelpBrowser::setExternalLinkHandler(std::function<void(const QUrl&)> handler) {
    m_external = std::move(handler);
}

void HelpBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
    const QUrl absolute = name.isRelative() ? source().resolved(name) : name;
    const auto path = helpPathOf(absolute);
    if (!path) {
        if (m_external) {
            m_external(absolute);
        }
        return;
    }
    QTextBrowser::doSetSource(helpUrl(*path, absolute.fragment()), type);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    const QUrl absolute = name.isRelative() ? source().resolved(name) : name;
    const auto path = helpPathOf(absolute);
    if (!path) {
        return {}; // nothing is fetched from outside the file
    }
    const auto bytes = m_file.read(*path);
    if (type == QTextDocument::HtmlResource) {
        if (!bytes) {
            const QString message =
                QStringLiteral("<html><body><h3>This page is not in the help file.</h3>"
                               "<p>%1</p></body></html>")
                    .arg(path->toHtmlEscaped());
            return message;
        }
        return withStyleSheetTypes(decodeHelpText(*bytes, m_file.fallbackEncoding()));
    }
    if (!bytes) {
        return {};
    }
    if (type == QTextDocument::StyleSheetResource) {
        return decodeHelpText(*bytes, m_file.fallbackEncoding());
    }
    if (type == QTextDocument::ImageResource) {
        // Decoded here so that an image the file damaged is just missing, not retried.
        QImage image;
        if (image.loadFromData(*bytes)) {
            return image;
        }
        return {};
    }
    return *bytes;
}
