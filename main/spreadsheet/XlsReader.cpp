#include "main/spreadsheet/XlsReader.h"

#include "platform/RuntimeError.h"

#include <QFile>
#include <freexl.h>

namespace spreadsheet {

using platform::RuntimeError;

namespace {

QString freexlError(int code) {
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("file not found or not readable");
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("out of memory");
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
        return QStringLiteral("not an .xls workbook");
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return QStringLiteral("the file holds no workbook");
    case FREEXL_CRAFTED_FILE:
        return QStringLiteral("the workbook is damaged");
    default:
        return QStringLiteral("unreadable .xls workbook (code %1)").arg(code);
    }
}

// A number cell as its text: whole numbers without decimals, others with up
// to 15 significant digits.
QString numberText(double v) {
    QString t = QString::number(v, 'g', 15);
    t.replace(QLatin1String("e+"), QLatin1String("E+"));
    t.replace(QLatin1String("e-"), QLatin1String("E-"));
    return t;
}

class XlsWorkbook : public Workbook {
public:
    explicit XlsWorkbook(const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        const int rc = freexl_open(name.constData(), &m_handle);
        if (rc != FREEXL_OK) {
            if (m_handle)
                freexl_close(m_handle);
            m_handle = nullptr;
            throw RuntimeError(QStringLiteral("%1: %2").arg(path, freexlError(rc)));
        }
        unsigned int sheets = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0) {
            freexl_close(m_handle);
            throw RuntimeError(QStringLiteral("%1: the workbook has no worksheet").arg(path));
        }
        unsigned short cols = 0;
        if (freexl_select_active_worksheet(m_handle, 0) != FREEXL_OK ||
            freexl_worksheet_dimensions(m_handle, &m_rows, &cols) != FREEXL_OK) {
            freexl_close(m_handle);
            throw RuntimeError(QStringLiteral("%1: the first worksheet cannot be read").arg(path));
        }
        m_cols = cols;
        // The sheet's stated size may include trailing empty rows.
        while (m_rows > 0 && rowEmpty(static_cast<int>(m_rows)))
            --m_rows;
    }
    ~XlsWorkbook() override {
        if (m_handle)
            freexl_close(m_handle);
    }

    int lastUsedRow() const override { return static_cast<int>(m_rows); }

    QString cellText(int row, int col) const override {
        if (row < 1 || col < 1 || static_cast<unsigned>(row) > m_rows || static_cast<unsigned>(col) > m_cols)
            return {};
        FreeXL_CellValue v;
        if (freexl_get_cell_value(m_handle, static_cast<unsigned>(row - 1),
                                  static_cast<unsigned short>(col - 1), &v) != FREEXL_OK)
            throw RuntimeError(QStringLiteral("cell %1,%2 cannot be read").arg(row).arg(col));
        switch (v.type) {
        case FREEXL_CELL_INT:
            return QString::number(v.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return numberText(v.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            return v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString();
        default:
            return {};
        }
    }

private:
    bool rowEmpty(int row) const {
        for (unsigned c = 1; c <= m_cols; ++c)
            if (!cellText(row, static_cast<int>(c)).isEmpty())
                return false;
        return true;
    }

    const void* m_handle = nullptr;
    unsigned int m_rows = 0;
    unsigned int m_cols = 0;
};

} // namespace

std::unique_ptr<Workbook> openXlsWorkbook(const QString& path) {
    return std::make_unique<XlsWorkbook>(path);
}

} // namespace spreadsheet
