#include "main/issuing/CommandRecords.h"

#include "platform/Cp949.h"

namespace issuing::records {

QByteArray position(int value) {
    if (value < 0)
        return '-' + QByteArray::number(-static_cast<qint64>(value)).rightJustified(4, '0');
    return QByteArray::number(value).rightJustified(4, '0');
}

QByteArray fieldNumber(int n) {
    return QByteArray::number(n).rightJustified(3, '0');
}

QByteArray clear() {
    return QByteArrayLiteral("{C|}");
}

QByteArray size(int totalHeight, int width, int height) {
    return "{D" + position(totalHeight) + ',' + position(width) + ',' + position(height) + "|}";
}

QByteArray density(const QString& sDensity, bool firstRecord) {
    return "{AY;" + platform::toCp949(sDensity) + (firstRecord ? ",1|}" : ",0|}");
}

QByteArray feed(const QString& sFeeding) {
    return "{@003;" + platform::toCp949(sFeeding) + ",0|}";
}

QByteArray fieldFormat(int field, int x, int y, const char* attributes) {
    return "{PC" + fieldNumber(field) + ';' + position(x) + ',' + position(y) + attributes;
}

QByteArray fieldData(int field, const QByteArray& data) {
    return "{RC" + fieldNumber(field) + ';' + data + "|}";
}

QByteArray line(int x1, int y1, int x2, int y2, const char* shape) {
    return "{LC;" + position(x1) + ',' + position(y1) + ',' + position(x2) + ',' + position(y2) + shape;
}

QByteArray rfidSetup(bool unlocked) {
    return unlocked ? QByteArrayLiteral("{XB01;0000,0000,r,T24,G2,L00,B01|}")
                    : QByteArrayLiteral("{XB01;0000,0000,r,T24,G2,L36,B01|}");
}

QByteArray rfidData(const QByteArray& tagData) {
    return "{RB01;" + tagData + "|}";
}

QByteArray issue(bool reflectiveSensor) {
    return reflectiveSensor ? QByteArrayLiteral("{XS;I,0001,0004C5101|}")
                            : QByteArrayLiteral("{XS;I,0001,0002C5101|}");
}

QByteArray statusRequest() {
    return QByteArrayLiteral("{WS|}");
}

QByteArray reset() {
    return QByteArrayLiteral("{Z0|}");
}

} // namespace issuing::records
