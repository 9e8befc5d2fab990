#pragma once

#include "PackwellCore.h"
#include "PackwellHost.h"

#include <QImage>
#include <QWidget>

class QLabel;

// The compression component as a window hosts it: a 32 × 32 face that keeps its size whatever a
// host gives it, the about box, and every member of PackwellCore, which does the work.
//
// The dispatch IDs and help texts of the members are class info of the meta-object
// ("DispId:<member>" and "Description:<member>", the one statement of them); the methods are
// invokable and the sizes are properties, so a host can reach all of them by name.
class Packwell : public QWidget, public PackwellNotifications
{
    Q_OBJECT
    Q_CLASSINFO("DispId:About", "-552")
    Q_CLASSINFO("DispId:CompressData", "0x60030002")
    Q_CLASSINFO("Description:CompressData", "Compress a byte array or raw binary data.")
    Q_CLASSINFO("DispId:CompressString", "0x60030003")
    Q_CLASSINFO("Description:CompressString",
                "Compresses a string. String may contain Null characters.")
    Q_CLASSINFO("DispId:DecompressData", "0x60030004")
    Q_CLASSINFO("Description:DecompressData",
                "Decompresses a compressed byte array or raw binary data.")
    Q_CLASSINFO("DispId:DecompressString", "0x60030005")
    Q_CLASSINFO("Description:DecompressString",
                "Decompresses a compressed string. String may contain Null characters.")
    Q_CLASSINFO("DispId:CompressedSize", "0x68030001")
    Q_CLASSINFO("Description:CompressedSize",
                "Determine compressed size of last compressed data or string.")
    Q_CLASSINFO("DispId:OriginalSize", "0x68030000")
    Q_CLASSINFO("Description:OriginalSize",
                "Determines the original size of the last compressed data or string.")
    Q_PROPERTY(qint32 CompressedSize READ CompressedSize WRITE setCompressedSize)
    Q_PROPERTY(qint32 OriginalSize READ OriginalSize WRITE setOriginalSize)

public:
    // Hosted by PackwellHost::application(), that is, in user mode.
    explicit Packwell(QWidget *parent = nullptr);
    // The host must outlive the component, or be replaced with setHost() first.
    explicit Packwell(const PackwellHost &host, QWidget *parent = nullptr);

    PackwellCore &core() { return m_core; }
    const PackwellCore &core() const { return m_core; }
    const PackwellHost &host() const { return m_core.host(); }
    void setHost(const PackwellHost &host) { m_core.setHost(host); }

    // Shows the modal about box and returns 0 however it is closed.
    Q_INVOKABLE qint16 About();

    Q_INVOKABLE qint32 CompressData(QByteArray &TheData) { return m_core.CompressData(TheData); }
    Q_INVOKABLE qint32 CompressString(QString &TheString)
    {
        return m_core.CompressString(TheString);
    }
    Q_INVOKABLE qint32 DecompressData(QByteArray &TheData, const qint32 &OrigSize)
    {
        return m_core.DecompressData(TheData, OrigSize);
    }
    Q_INVOKABLE qint32 DecompressString(QString &TheString, const qint32 &OrigSize)
    {
        return m_core.DecompressString(TheString, OrigSize);
    }

    qint32 CompressedSize() const { return m_core.CompressedSize(); }
    void setCompressedSize(qint32 New_CompressedSize)
    {
        m_core.setCompressedSize(New_CompressedSize);
    }
    qint32 OriginalSize() const { return m_core.OriginalSize(); }
    void setOriginalSize(qint32 New_OriginalSize) { m_core.setOriginalSize(New_OriginalSize); }

    void InitProperties() override { m_core.InitProperties(); }
    void ReadProperties() override { } // nothing is saved, so nothing is read
    void WriteProperties() override { } // no property is written
    // Sets the width to the face's width, then the height to the face's height.
    void Resize() override;

    // The face: 32 × 32 pixels with a 16-colour palette.
    static QImage faceImage();

Q_SIGNALS:
    // The property-changed notice of the core: "OriginalSize" or "CompressedSize".
    void propertyChanged(const QString &propertyName);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    PackwellCore m_core;
    QLabel *m_image1;
    bool m_resizing = false;
};
