#include "app/form/form1.h"

#include "app/form/form_accessible.h"
#include "controls/colors.h"
#include "controls/message_box.h"
#include "resources/resources.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

namespace skymra {

void installFontSubstitutes() {
    // Windows keeps MS Sans Serif as a bitmap font that Qt may not list; its TrueType successor,
    // Microsoft Sans Serif, ships with every Windows and comes first.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"),
                              QStringLiteral("Microsoft Sans Serif"));
    for (const char* name : {"MS Sans Serif", "Microsoft Sans Serif"}) {
        QFont::insertSubstitutions(QString::fromLatin1(name),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                    QStringLiteral("Helvetica")});
    }
}

QFont formFont(int pixelSize, bool bold) {
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

namespace {

constexpr int SmallFont = 11;  // 8.25 pt
constexpr int LabelFont = 13;  // bold 9.75 pt

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry,
              Qt::Alignment align, const QFont& font) {
    auto* l = named(new QLabel(text, parent), name);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(geometry);
    l->setAlignment(align | Qt::AlignTop);
    l->setFont(font);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, fromBgr(IdleColor));
    l->setPalette(pal);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, QRect geometry,
                    bool enabled) {
    auto* b = named(new QPushButton(text, parent), name);
    b->setGeometry(geometry);
    b->setFont(formFont(SmallFont, false));
    b->setEnabled(enabled);
    b->setAutoDefault(false);
    return b;
}

QLabel* marker(QWidget* parent, const char* name) {
    auto* m = named(new QLabel(parent), name);
    m->setPixmap(QPixmap::fromImage(resources::markerPicture()));
    m->setGeometry(152, 112, 32, 32);
    m->setAttribute(Qt::WA_TransparentForMouseEvents);
    return m;
}

PictureBox* pictureBox(QWidget* parent, const char* name, QColor background, QPoint at) {
    auto* box = named(new PictureBox(background, parent), name);
    box->move(at);
    return box;
}

}  // namespace

Form1::Form1(Form1Services services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Skymra"));
    setWindowIcon(QIcon(resources::IconPath));
    setFixedSize(830, 563);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, fromBgr(FormColor));
    setPalette(pal);
    setFont(formFont(SmallFont, false));
    if (!services_.inform) {
        services_.inform = [this](const QString& text) {
            showMessage(this, QMessageBox::Information, text);
        };
    }
    if (!services_.warn) services_.warn = warningBoxes(this);
    if (!services_.reportError) {
        services_.reportError = [this](const QString& text) {
            showMessage(this, QMessageBox::Critical, text);
        };
    }

    const QFont bold = formFont(LabelFont, true);
    const auto left = Qt::AlignLeft;
    const auto centre = Qt::AlignHCenter;

    ezVidCap1 =
        named(new VideoCaptureControl(services_.clipboard, services_.catalog, services_.warn, this),
              "ezVidCap1");
    ezVidCap1->move(10, 4);
    Label1[0] =
        label(this, "Label1_0", QStringLiteral("Videokamera fönster    Skall vara:   320 * 240"),
              {12, 246, 315, 15}, left, bold);
    Picture1 = pictureBox(this, "Picture1", fromBgr(NavyColor), {10, 266});
    Image1 = marker(Picture1, "Image1");
    Label1[1] =
        label(this, "Label1_1", QStringLiteral("Orginalbild"), {10, 508, 87, 19}, left, bold);
    Picture2 = pictureBox(this, "Picture2", palette().color(QPalette::Button), {498, 4});
    Picture2->setCursor(QCursor(QPixmap::fromImage(resources::markerPicture()),
                                resources::MarkerCentre, resources::MarkerCentre));
    Picture2->hide();
    Label3 = label(Picture2, "Label3", QString(), {190, 224, 141, 21}, centre,
                   formFont(SmallFont, false));
    // The whole map is clickable, the strip under the time label included.
    Label3->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label1[3] = label(this, "Label1_3", QStringLiteral("Filter förändringar"), {498, 248, 141, 15},
                      left, bold);
    ezVidCap = pictureBox(this, "ezVidCap", fromBgr(NavyColor), {496, 266});
    Image2 = marker(ezVidCap, "Image2");
    Label1[2] =
        label(this, "Label1_2", QStringLiteral("Nya bilden"), {498, 508, 87, 15}, left, bold);
    Shape1 =
        named(new ShapeControl(87, fromBgr(IdleColor), fromBgr(SilverColor), 10, this), "Shape1");
    Shape1->setGeometry(358, 34, 111, 87);
    Command5 = button(this, "Command5", QStringLiteral("Set Camera"), {370, 222, 93, 21}, true);
    Label4 = label(this, "Label4", QStringLiteral("Just nu har satt 250 som \"wake up\" call"),
                   {340, 318, 139, 43}, left, bold);
    Label4->setWordWrap(true);
    Label2 = label(this, "Label2", QString(), {372, 366, 83, 25}, centre, formFont(16, true));
    const QColor yellow = fromBgr(IdleColor);
    Line[0] = named(new LineControl({376, 392}, {448, 392}, 3, yellow, this), "Line1");
    Line[1] = named(new LineControl({448, 390}, {434, 382}, 2, yellow, this), "Line2");
    Line[2] = named(new LineControl({448, 392}, {436, 402}, 2, yellow, this), "Line3");
    Line[3] = named(new LineControl({376, 392}, {390, 382}, 2, yellow, this), "Line4");
    Line[4] = named(new LineControl({376, 392}, {390, 402}, 2, yellow, this), "Line5");
    Label1[4] = label(this, "Label1_4", QStringLiteral("Filter"), {378, 418, 63, 21}, centre,
                      formFont(18, true));
    Label1[5] =
        label(this, "Label1_5", QStringLiteral("Känslighet  %"), {354, 444, 117, 15}, centre, bold);
    Slider1 = named(new SliderControl(this), "Slider1");
    Slider1->setGeometry(332, 462, 161, 42);
    Slider1->setRange(0, 100);
    Slider1->setValue(Workflow::SliderStart);
    Slider1->setSingleStep(1);
    Slider1->setPageStep(5);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setTickInterval(1);
    Command3 =
        button(this, "Command3", QStringLiteral("Referens  SnapShot  1"), {10, 528, 167, 25}, true);
    cmdFormatDlg =
        button(this, "cmdFormatDlg", QStringLiteral("Display Format"), {222, 528, 93, 25}, true);
    Command1 =
        button(this, "Command1", QStringLiteral("Kontrollera Bild"), {356, 528, 107, 25}, false);
    Command4 = button(this, "Command4", QStringLiteral("SnapShot  2"), {496, 530, 137, 25}, false);
    Command2 = button(this, "Command2", QStringLiteral("Åter till Videofönster"),
                      {676, 530, 137, 25}, false);

    // Names for screen readers; buttons and captions speak their own text.
    const auto speak = [](QWidget* w, const char* name) {
        w->setAccessibleName(QCoreApplication::translate("Form1", name));
    };
    speak(ezVidCap1, "Videokamera, direktbild");
    speak(Picture1, "Orginalbild, referensbilden");
    speak(Picture2, "Förändringar, klicka för att markera en plats");
    speak(ezVidCap, "Nya bilden");
    speak(Image1, "Markör i orginalbilden");
    speak(Image2, "Markör i nya bilden");
    // The count and the time speak their text; what they are goes in the description.
    Label3->setAccessibleDescription(QCoreApplication::translate("Form1", "Tid för kontrollen"));
    Label2->setAccessibleDescription(QCoreApplication::translate("Form1", "Antal förändringar"));
    speak(Shape1, "Larmindikator");
    speak(Slider1, "Känslighet i procent");
    // Each caption labels what it stands under or over.
    Label1[0]->setBuddy(ezVidCap1);
    Label1[1]->setBuddy(Picture1);
    Label1[2]->setBuddy(ezVidCap);
    Label1[3]->setBuddy(Picture2);
    Label1[5]->setBuddy(Slider1);
    for (LineControl* l : Line) speak(l, "Pil");
    // The map: the keyboard points into it as the mouse does.
    Picture2->setKeyboardPointing(true);
    FormAccessible::install(staticMetaObject.className());

    QWidget* const order[] = {Command1, Picture1, Picture2,     ezVidCap,  Command2, Command3,
                              Command4, Command5, cmdFormatDlg, ezVidCap1, Slider1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }

    workflow_ = std::make_unique<Workflow>(
        WorkflowControls{ezVidCap1, Picture1, Picture2, ezVidCap, Image1, Image2, Label1[0], Label2,
                         Label3, Shape1, Slider1, Command1, Command2, Command4},
        services_.clipboard, services_.sound, services_.clock, services_.inform);

    auto onClick = [this](QPushButton* b, void (Form1::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { runHandler([this, handler] { (this->*handler)(); }); });
    };
    onClick(Command1, &Form1::Command1_Click);
    onClick(Command2, &Form1::Command2_Click);
    onClick(Command3, &Form1::Command3_Click);
    onClick(Command4, &Form1::Command4_Click);
    onClick(Command5, &Form1::Command5_Click);
    onClick(cmdFormatDlg, &Form1::cmdFormatDlg_Click);
    connect(Slider1, &SliderControl::mouseReleased, this,
            [this](Qt::MouseButton) { runHandler([this] { Slider1_MouseUp(); }); });
    connect(Slider1, &SliderControl::returnPressed, this,
            [this] { runHandler([this] { Slider1_MouseUp(); }); });
    connect(Picture2, &PictureBox::mouseReleased, this,
            [this](QPointF at, Qt::MouseButton button, Qt::KeyboardModifiers shift) {
                runHandler([&] {
                    Picture2_MouseUp(button, shift, static_cast<float>(at.x()),
                                     static_cast<float>(at.y()));
                });
            });
}

void Form1::Command5_Click() { ezVidCap1->showSourceDialog(); }

void Form1::cmdFormatDlg_Click() { ezVidCap1->showFormatDialog(); }

void Form1::runHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        services_.reportError(QString::fromUtf8(e.what()));
    }
}

void Form1::keyPressEvent(QKeyEvent* event) {
    // Buttons leave Return and Enter to their window; here they press the button with focus.
    auto* button = qobject_cast<QAbstractButton*>(focusWidget());
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && button &&
        button->isEnabled() && !event->isAutoRepeat()) {
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (centred_) return;
    centred_ = true;
    if (const QScreen* screen = this->screen()) {
        // move() places the frame's top-left corner, title bar included.
        move(placeOnScreen(frameGeometry().size(), screen->availableGeometry()));
    }
}

QPoint placeOnScreen(QSize frame, QRect available) {
    QRect placed(QPoint(), frame);
    placed.moveCenter(available.center());
    // Larger than the screen: the title bar and the left edge stay reachable.
    return {std::max(placed.left(), available.left()), std::max(placed.top(), available.top())};
}

}  // namespace skymra
