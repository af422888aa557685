#include "main/database/IssuingRecords.h"

#include "main/core/Logs.h"
#include "main/core/Reported.h"
#include "main/database/DbConn.h"
#include "main/database/EmbeddedDb.h"
#include "main/database/TagClaims.h"

namespace database {

void getOrganData(QString& sOrganCode, QString& sOrganNm) {
    core::runReported(QStringLiteral("getOrganData"), [&] {
        Recordset rs(gDbConn, QStringLiteral("select * from slfanrfidcommon where code_id='SLF001' "));
        if (rs.recordCount() == 0)
            return;
        if (rs.isNull(QStringLiteral("code")) || rs.isNull(QStringLiteral("code_ctn")))
            throw core::invalidUseOfNull();
        const QString code = rs.text(QStringLiteral("code")).trimmed();
        const QString name = rs.text(QStringLiteral("code_ctn")).trimmed();
        sOrganCode = code;
        sOrganNm = name;
    });
}

QString getSeqNo(bool* read) {
    QString result = QStringLiteral("0");
    bool got = false;
    core::runReported(QStringLiteral("getSeqNo"), [&] {
        Recordset rs(gDbConn, QStringLiteral("select SEQ_SLFRFID_SERIALNO.nextval from dual"));
        if (rs.recordCount() > 0)
            result = rs.text(QStringLiteral("nextval")).trimmed();
        if (result.isEmpty() || rs.recordCount() == 0)
            throw platform::RuntimeError(QStringLiteral(
                "태그 일련번호(SEQ_SLFRFID_SERIALNO)를 읽지 못했습니다. 데이터베이스를 확인하여 주십시오."));
        got = true;
    });
    if (read)
        *read = got;
    return result;
}

bool detailTraceOn(const QString& sDetailLog) {
    return platform::toInt16(sDetailLog) == 1;
}

QString tagTraceLine(const QString& head, const QString& purcSno, const TagRecordValues& v) {
    return head + QLatin1Char('[') + purcSno.trimmed() + QLatin1Char(']') + QStringLiteral(" PDAID:") +
           v.sSerialNo.trimmed() + QStringLiteral(" TAGIDFULL:") + v.tagIdFull(v.sTagId).trimmed() +
           QStringLiteral(" IP_ADDR:") + v.sLocalIp.trimmed() + QStringLiteral(" PURC_SNO:") +
           purcSno.trimmed() + QStringLiteral(" TFORM:") + v.sFormCode.trimmed() + QStringLiteral(" TUSER:") +
           gUserId.trimmed();
}

QString recordedTagId(const QString& purcSno) {
    Recordset rs(
        gDbConn,
        QStringLiteral("select tag_id from slfanrfidmaster where purc_sno = '%1'").arg(sqlText(purcSno)));
    return rs.recordCount() > 0 ? rs.text(0).trimmed() : QString();
}

QString purchaseOfTag(const QString& tagId) {
    Recordset rs(
        gDbConn,
        QStringLiteral("select purc_sno from slfanrfidmaster where tag_id = '%1'").arg(sqlText(tagId)));
    return rs.recordCount() > 0 ? rs.text(0).trimmed() : QString();
}

void recordTag(const QString& purcSno, const TagRecordValues& v, const QString& user) {
    ProcedureCall call(QString::fromLatin1(kProcTagPrint),
                       {QStringLiteral("PDAID"), QStringLiteral("TAGIDFULL"), QStringLiteral("IP_ADDR"),
                        QStringLiteral("PURC_SNO"), QStringLiteral("TFORM"), QStringLiteral("TUSER")});
    call.setValue(QStringLiteral("PDAID"), v.sSerialNo);
    call.setValue(QStringLiteral("TAGIDFULL"), v.tagIdFull(v.sTagId));
    call.setValue(QStringLiteral("IP_ADDR"), v.sLocalIp);
    call.setValue(QStringLiteral("PURC_SNO"), purcSno);
    call.setValue(QStringLiteral("TFORM"), v.sFormCode);
    call.setValue(QStringLiteral("TUSER"), user);
    call.execute(gDbConn);
}

namespace {

void recordClaimedTag(const QString& purcSno, const QString& tagId) {
    Settled settled = Settled::Now;
    try {
        settled = recordClaimed(purcSno, tagId);
    } catch (const platform::RuntimeError&) {
        // A server restart between the label and its record: the claim is
        // still there, and recording it again is harmless.
        if (gDbConn.isEmbedded())
            throw;
        gDbConn.reconnectIfLost();
        settled = recordClaimed(purcSno, tagId);
    }
    if (settled == Settled::Other)
        throw platform::RuntimeError(
            QStringLiteral("태그 %1은 발행 중 다른 작업장에서 미발행으로 취소되어 기록하지 않았습니다. "
                           "라벨을 폐기하여 주십시오.")
                .arg(tagId));
}

} // namespace

void Update_TagData(const ItemGrid& vaSpread1, int nIndex, const TagRecordValues& v, qint16& failureFlag,
                    bool claimed) {
    const bool ok = core::runReported(QStringLiteral("Update_TagData"), [&] {
        if (vaSpread1.text(nIndex, ColIssued) == QLatin1String("N"))
            return;
        const QString purcSno = vaSpread1.text(nIndex, ColPurcSno);
        if (detailTraceOn(v.sDetailLog))
            core::WriteDetailLog(tagTraceLine(QStringLiteral("AFTER - "), purcSno, v));
        if (claimed)
            recordClaimedTag(purcSno, v.sTagId);
        else
            recordTag(purcSno, v, gUserId);
    });
    if (!ok)
        failureFlag = -1;
}

void Delete_TagData(const ItemGrid& vaSpread1, int nIndex, const TagRecordValues& v, qint16& failureFlag) {
    try {
        if (vaSpread1.text(nIndex, ColIssued) == QLatin1String("N"))
            return;
        const QString tagId = vaSpread1.text(nIndex, ColTagId);
        ProcedureCall call(QString::fromLatin1(kProcTagRemove),
                           {QStringLiteral("PDAID"), QStringLiteral("TAGIDFULL"), QStringLiteral("IP_ADDR"),
                            QStringLiteral("TWHY"), QStringLiteral("TUSER")});
        call.setValue(QStringLiteral("PDAID"), v.sSerialNo);
        call.setValue(QStringLiteral("TAGIDFULL"), v.tagIdFull(tagId));
        call.setValue(QStringLiteral("IP_ADDR"), v.sLocalIp);
        call.setValue(QStringLiteral("TWHY"), QStringLiteral("REPRINT"));
        call.setValue(QStringLiteral("TUSER"), gUserId);
        call.execute(gDbConn);
    } catch (const std::exception& e) {
        failureFlag = -1;
        core::reportFailure(QStringLiteral("Delete_TagData"), core::errorText(e));
    }
}

} // namespace database
