#pragma once
// Command records of the label printer: "{" code parameters "|}", built as
// bytes. Fixed parts are ASCII; the data of a double-byte font field is passed
// in already converted (GetHangul) and joined as bytes, never as text.
#include <QByteArray>
#include <QString>

namespace issuing::records {

// Position or size: at least four digits ("0070"); negative values are a minus
// sign and four digits ("-0005"); 10000 and above keep all their digits.
QByteArray position(int value);
// Three-digit field number ("001").
QByteArray fieldNumber(int n);

QByteArray clear();                                            // {C|}
QByteArray size(int totalHeight, int width, int height);       // {Dtttt,wwww,hhhh|}
QByteArray density(const QString& sDensity, bool firstRecord); // {AY;+05,1|} / {AY;+05,0|}
QByteArray feed(const QString& sFeeding);                      // {@003;+0130,0|}
// {PCnnn;x,y + attributes; attributes start with "," and end with "|}".
QByteArray fieldFormat(int field, int x, int y, const char* attributes);
// {RCnnn;data|}; data already in the field's font encoding.
QByteArray fieldData(int field, const QByteArray& data);
// {LC;x1,y1,x2,y2 + shape; shape starts with "," and ends with "|}".
QByteArray line(int x1, int y1, int x2, int y2, const char* shape);
// RFID write set-up: L00 (unlocked) only for a test issue with "UnLock".
QByteArray rfidSetup(bool unlocked);
QByteArray rfidData(const QByteArray& tagData); // {RB01;...|}
// Issue one label; reflective sensor (type 2) uses "0004", others "0002".
QByteArray issue(bool reflectiveSensor);
QByteArray statusRequest(); // {WS|}
QByteArray reset();         // {Z0|}

} // namespace issuing::records
