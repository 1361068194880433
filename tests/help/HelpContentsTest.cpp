#include "help/HelpContents.h"
#include "tests/harness/TestHarness.h"

namespace {

// The tree as one line: "name=local[child,child]".
QString render(const QList<HelpTopic>& topics) {
    QStringList parts;
    for (const HelpTopic& topic : topics) {
        QString part = topic.name + QLatin1Char('=') + topic.local;
        if (!topic.children.isEmpty()) {
            part += QLatin1Char('[') + render(topic.children) + QLatin1Char(']');
        }
        parts << part;
    }
    return parts.join(QLatin1Char(','));
}

int depthOf(const QList<HelpTopic>& topics) {
    int deepest = 0;
    for (const HelpTopic& topic : topics) {
        deepest = std::max(deepest, 1 + depthOf(topic.children));
    }
    return deepest;
}

int countOf(const QList<HelpTopic>& topics) {
    int count = 0;
    for (const HelpTopic& topic : topics) {
        count += 1 + countOf(topic.children);
    }
    return count;
}

QString entry(const QString& name, const QString& local) {
    return QStringLiteral("<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"%1\">"
                          "<param name=\"Local\" value=\"%2\"></OBJECT>")
        .arg(name, local);
}

} // namespace

class HelpContentsTest : public QObject {
    Q_OBJECT
private slots:
    void parsesNestedSitemap() {
        const QString hhc =
            QStringLiteral("<HTML><BODY><OBJECT type=\"text/site properties\"><param name=\"Name\" "
                           "value=\"not an entry\"></OBJECT><UL>") +
            entry(QStringLiteral("A"), QStringLiteral("a.html")) + QStringLiteral("<UL>") +
            entry(QStringLiteral("A1"), QStringLiteral("sub/a1.html")) +
            entry(QStringLiteral("A2"), QStringLiteral("sub/a1.html#two")) +
            QStringLiteral("</UL>") + entry(QStringLiteral("B"), QStringLiteral("b.html")) +
            QStringLiteral("</UL></BODY></HTML>");
        QCOMPARE(render(parseHelpContents(hhc)),
                 QStringLiteral("A=a.html[A1=sub/a1.html,A2=sub/a1.html#two],B=b.html"));
    }

    // Hand-written and old compilers' files: mixed case, bare and single-quoted values, the
    // value before the name, no closing tags, a comment that looks like markup.
    void toleratesLooseMarkup() {
        const QString hhc = QStringLiteral(
            "<ul>\n<li><object TYPE='text/sitemap'><PARAM value=\"one.htm\" NAME=local>"
            "<param name=name value='One &amp; only'>\n"
            "<!-- <UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"hidden\"> -->"
            "<Ul><lI><OBJECT type=text/sitemap><param name=Name value=Inner><param name=Local "
            "value=in.htm>"
            "</ul><LI><object type=\"text/sitemap\"><param name=\"Name\" value=\"Last\">");
        QCOMPARE(render(parseHelpContents(hhc)),
                 QStringLiteral("One & only=one.htm[Inner=in.htm],Last="));
    }

    void decodesEntitiesAndUtf8() {
        const QString hhc = QStringLiteral("<UL>") +
                            entry(QStringLiteral("&#20013;&#x6587; &lt;&quot;&gt; 帮助"),
                                  QStringLiteral("zh/%E5%B8%AE.html?a=1&amp;b=2")) +
                            QStringLiteral("</UL>");
        const QList<HelpTopic> topics = parseHelpContents(hhc);
        QCOMPARE(topics.size(), 1);
        QCOMPARE(topics[0].name, QStringLiteral("中文 <\"> 帮助"));
        QCOMPARE(topics[0].local, QStringLiteral("zh/%E5%B8%AE.html?a=1&b=2"));
    }

    void leavesMalformedReferencesAlone_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("bare ampersand") << "Salt & pepper"
                                        << "Salt & pepper";
        QTest::newRow("unknown name") << "&bogus;"
                                      << "&bogus;";
        QTest::newRow("surrogate") << "&#xD800;"
                                   << "&#xD800;";
        QTest::newRow("beyond unicode") << "&#x110000;"
                                        << "&#x110000;";
        QTest::newRow("nul") << "&#0;"
                             << "&#0;";
        QTest::newRow("not a number") << "&#12a;"
                                      << "&#12a;";
        QTest::newRow("unterminated") << "&amp"
                                      << "&amp";
        QTest::newRow("astral") << "&#x1F600;" << QString::fromUtf8("\xF0\x9F\x98\x80");
        QTest::newRow("upper case name") << "&AMP;"
                                         << "&";
    }
    void leavesMalformedReferencesAlone() {
        QFETCH(QString, text);
        QFETCH(QString, decoded);
        QCOMPARE(decodeHtmlEntities(text), decoded);
    }

    // A closing </UL> too many, a list before any entry, a list that is never closed.
    void unbalancedListsKeepEveryEntry() {
        const QString hhc =
            QStringLiteral("</UL><UL><UL>") + entry(QStringLiteral("A"), QStringLiteral("a.htm")) +
            QStringLiteral("</UL></UL></UL>") +
            entry(QStringLiteral("B"), QStringLiteral("b.htm")) + QStringLiteral("<UL>") +
            entry(QStringLiteral("C"), QStringLiteral("c.htm"));
        QCOMPARE(render(parseHelpContents(hhc)), QStringLiteral("A=a.htm,B=b.htm[C=c.htm]"));
    }

    void deepNestingIsFlattenedAtTheLimit() {
        const int levels = 5000;
        QString hhc;
        for (int i = 0; i < levels; ++i) {
            hhc += QStringLiteral("<UL>") + entry(QString::number(i), QStringLiteral("p.htm"));
        }
        const QList<HelpTopic> topics = parseHelpContents(hhc);
        QCOMPARE(countOf(topics), levels);
        QCOMPARE(depthOf(topics), kMaxHelpContentsDepth);
    }

    void textWithoutSitemapYieldsNothing() {
        QVERIFY(
            parseHelpContents(QStringLiteral("<html><body><p>Just text <b>here</p>")).isEmpty());
        QVERIFY(
            parseHelpContents(QStringLiteral("<UL><LI><OBJECT type=\"text/sitemap\"")).isEmpty());
    }
};

TESSALY_TEST_MAIN(HelpContentsTest)
#include "HelpContentsTest.moc"
