#pragma once

#include <QImage>

#include <stdexcept>

namespace skymra {

// The platform refused a clipboard operation.
class ClipboardError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
    // The two refusals, in the words the user is shown.
    static ClipboardError unreachable();
    static ClipboardError refused();
};

// The system clipboard as the tool uses it: clear, put a picture, get a picture.
class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual void clear() = 0;
    virtual void setImage(const QImage& image) = 0;
    // A null image when the clipboard holds no picture.
    virtual QImage image() const = 0;
};

class SystemClipboard : public Clipboard {
  public:
    void clear() override;
    void setImage(const QImage& image) override;
    QImage image() const override;
};

}  // namespace skymra
