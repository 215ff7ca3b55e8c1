#ifndef SURVEY_H
#define SURVEY_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The uninstall-reason survey with the operations server: which list to ask
// for, which reasons to offer, and the report of the user's answer.
namespace Survey {

// The free text of the "other" box is cut to this many characters.
constexpr int OtherTextLimit = 100;

struct Reason {
    int id = 0;
    QString text;
};

// "2" for the general edition, "1" for the Unity edition, empty for a
// partner build.
QString surveyType(const QString &third);

// Only the general and the Unity edition report the answer.
bool sendsReport(const QString &third);

QString reasonListUrl(const QString &serverBase, const QString &third);
QString reportUrl(const QString &serverBase);

// The reasons to show from a list answer, at most four: sorted by "order",
// a later row replacing an earlier one of the same order.
QList<Reason> shownReasons(const QByteArray &body);

// The tool-tip a reason box carries, and the one of the "other" box.
QString reasonToolTip(const Reason &reason);
QString otherToolTip();

// The report body: one row per checked box, given by its tool-tip in box
// order; the "other" box's row carries the first 100 characters of the free
// text and the contact.
QByteArray reportBody(const QStringList &checkedToolTips, const QString &otherText, const QString &contact,
                      const QString &third);

}

#endif
