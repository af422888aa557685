#pragma once
// The main window's run state of the printer: what one issuing run carries
// from tag to tag. The main window owns it; the printer link and the issue
// transaction borrow it by reference.
#include <QByteArray>
#include <QString>

namespace printerlink {

struct RunState {
    // Failure flag of the current tag (or record): 0 fine, -1 failed.
    qint16 nErrFlag = 0;
    // Unusable status answers so far; the third fails the tag.
    qint16 nStatusErrCnt = 0;
    // Receive buffer: printer data delivered by the socket, not yet taken by
    // a reader. New data is appended, so nothing is lost between readers.
    QByteArray sRecvData;
    // The last socket error line.
    QString sWinsockErr;
    // Serial number (twelve digits) and readable identifier of the current tag.
    QString sSeqNo;
    QString sTagId;
};

} // namespace printerlink
