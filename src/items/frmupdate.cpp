#include "frmupdate.h"

#include "items/stockchange.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/prompts.h"
#include "ui/statuslabel.h"
#include "ui/twips.h"
#include "ui/updown.h"

#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStringListModel>

#include <algorithm>

namespace inv {

namespace {

// The window's controls: name, caption and place in twips.
struct Control {
    const char *name;
    const char *caption;
    int left, top, width, height;
};

constexpr int kWidth = 8040;
constexpr int kHeight = 3375;

const Control kControls[] = {
    {"Label1", "Present Quantity:", 240, 240, 1935, 255},
    {"lblqua", "", 2280, 240, 2160, 255},
    {"Label2", "Status:", 240, 600, 1935, 255},
    {"lblstat", "", 2280, 570, 2160, 315},
    {"cmbitemno", "item number", 240, 1080, 4200, 315},
    {"cmbitemname", "item name", 240, 1500, 4200, 315},
    {"Label3", "Quantity to add/less:", 240, 2010, 2130, 255},
    {"txtqua", "1", 2400, 1980, 1800, 285},
    {"UpDown1", "", 4200, 1980, 240, 285},
    {"cmdadd", "&Add", 240, 2640, 1575, 495},
    {"Command1", "&Less", 2865, 2640, 1575, 495},
    {"txtdesc", "", 4680, 240, 3120, 2895},
};

const Control &control(const char *name)
{
    for (const Control &c : kControls)
        if (qstrcmp(c.name, name) == 0)
            return c;
    Q_UNREACHABLE();
}

QString caption(const char *name)
{
    return QString::fromUtf8(control(name).caption);
}

void placeAsLaidOut(QWidget *widget)
{
    const Control &c = control(widget->objectName().toLatin1().constData());
    ui::place(widget, c.left, c.top, c.width, c.height);
}

// An editable list whose entries are set at once (one model for all rows is
// far quicker than an entry at a time) and which sizes itself by its place,
// not by its entries.
QComboBox *makeList(QWidget *parent, const char *name, const QString &accessibleName)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setFont(ui::sansFont(8));
    list->setEditable(true);
    // Enter in the text part must not add the typed text as an entry.
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMaxVisibleItems(12);
    if (auto *view = qobject_cast<QListView *>(list->view()))
        view->setUniformItemSizes(true);
    list->setModel(new QStringListModel(list));
    // Completion offers, in a list of its own, the entries that begin with
    // the typed text in its letter case; it never changes what was typed.
    // Only a pick shows an item, and Add and Less take the text as it is.
    auto *completer = new QCompleter(list->model(), list);
    completer->setCaseSensitivity(Qt::CaseSensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    list->setCompleter(completer);
    list->setAccessibleName(accessibleName);
    list->setEditText(caption(name));
    return list;
}

// The status label's font; a status too long for the label at that size
// (an exact one such as "-273008.333333333%") is drawn smaller until it fits
// whole.
QFont statusFont()
{
    return ui::sansFont(9.75, true);
}

void showStatus(QLabel *label, const QString &status)
{
    QFont font = statusFont();
    const int room = label->contentsRect().width() - 2 * label->margin() - 2;
    while (QFontMetrics(font).horizontalAdvance(status) > room && font.pointSizeF() > 6)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    label->setFont(font);
    label->setText(status);
}

void fill(QComboBox *list, const QStringList &entries, const QString &placeholder)
{
    static_cast<QStringListModel *>(list->model())->setStringList(entries);
    // Filling makes the first entry current; the list goes on showing its
    // placeholder until a pick.
    list->setCurrentIndex(-1);
    list->setEditText(placeholder);
}

} // namespace

frmupdate::frmupdate() : ChildWindow("frmupdate", QStringLiteral("Update Inventory"), kWidth, kHeight)
{
    const QFont captionFont = ui::timesFont(11.25, true);
    const QFont valueFont = statusFont();
    const auto label = [this](const char *name, const QFont &font, const QString &css) {
        QLabel *l = ui::makeLabel(this, name, caption(name), font, css);
        placeAsLaidOut(l);
        return l;
    };
    Label1 = label("Label1", captionFont, QStringLiteral("background: transparent;"));
    lblqua = label("lblqua", valueFont, QStringLiteral("background: transparent;"));
    Label2 = label("Label2", captionFont, QStringLiteral("background: transparent;"));
    // The status label is opaque: its back colour comes from its palette,
    // which a style sheet would override.
    lblstat = label("lblstat", valueFont, QString());
    lblstat->setStyleSheet(QString());
    lblstat->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblstat->setAlignment(Qt::AlignCenter);
    ui::setBackColour(lblstat, 0xFFFFFF);
    Label3 = label("Label3", captionFont, QStringLiteral("background: transparent;"));
    lblqua->setAccessibleName(QStringLiteral("Present Quantity"));
    lblstat->setAccessibleName(QStringLiteral("Status"));

    cmbitemno = makeList(this, "cmbitemno", QStringLiteral("Item number"));
    placeAsLaidOut(cmbitemno);
    cmbitemname = makeList(this, "cmbitemname", QStringLiteral("Item name"));
    placeAsLaidOut(cmbitemname);

    txtqua = ui::makeTextBox(this, "txtqua");
    txtqua->setText(caption("txtqua"));
    txtqua->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txtqua));
    placeAsLaidOut(txtqua);
    Label3->setBuddy(txtqua);
    UpDown1 = new ui::UpDown(this, "UpDown1", 0, StockChange::kMaxTyped, 1);
    UpDown1->setAccessibleName(QStringLiteral("Quantity to add/less, up and down"));
    placeAsLaidOut(UpDown1);

    cmdadd = ui::makeButton(this, "cmdadd", caption("cmdadd"));
    cmdadd->setFont(ui::sansFont(9.75, true));
    placeAsLaidOut(cmdadd);
    Command1 = ui::makeButton(this, "Command1", caption("Command1"));
    Command1->setFont(ui::sansFont(9.75, true));
    placeAsLaidOut(Command1);

    txtdesc = new QPlainTextEdit(this);
    txtdesc->setObjectName(QStringLiteral("txtdesc"));
    txtdesc->setFont(ui::sansFont(8));
    txtdesc->setReadOnly(true);
    txtdesc->setAccessibleName(QStringLiteral("Description"));
    placeAsLaidOut(txtdesc);

    setTabOrder(cmbitemname, cmbitemno);
    setTabOrder(cmbitemno, UpDown1);
    setTabOrder(UpDown1, txtqua);
    setTabOrder(txtqua, cmdadd);
    setTabOrder(cmdadd, Command1);
    setTabOrder(Command1, txtdesc);
    cmbitemname->setFocus();

    // A pick is the user's choice of an entry, never a text set by the window.
    connect(cmbitemno, &QComboBox::activated, this, &frmupdate::cmbitemno_Click);
    connect(cmbitemname, &QComboBox::activated, this, &frmupdate::cmbitemname_Click);
    connect(cmdadd, &QPushButton::clicked, this, &frmupdate::cmdadd_Click);
    connect(Command1, &QPushButton::clicked, this, &frmupdate::Command1_Click);
    connect(txtqua, &QLineEdit::textChanged, this, &frmupdate::txtqua_Change);
    connect(UpDown1, &ui::UpDown::changed, this, &frmupdate::UpDown1_Change);
}

frmupdate::~frmupdate()
{
    // A window that goes hides, and the focus leaving an edited list box
    // reports a pick: none may reach the window while it is taken apart.
    for (QComboBox *list : {cmbitemno, cmbitemname})
        disconnect(list, nullptr, this, nullptr);
}

bool frmupdate::Form_Load()
{
    return ui::guarded(this, [this] {
        const StockChange::Lists lists = StockChange::loadLists();
        fill(cmbitemno, lists.numbers, StockChange::kNumberPlaceholder);
        fill(cmbitemname, lists.names, StockChange::kNamePlaceholder);
    });
}

void frmupdate::pick(bool byName)
{
    QComboBox *picked = byName ? cmbitemname : cmbitemno;
    ui::guarded(this, [&] { showPicked(byName, picked->currentText()); });
}

bool frmupdate::showPicked(bool byName, const QString &text)
{
    const PickedBy by = byName ? PickedBy::ItemName : PickedBy::ItemNumber;
    QComboBox *other = byName ? cmbitemno : cmbitemname;
    const std::optional<StockChange::Shown> shown = StockChange::pick(by, text);
    if (shown) {
        lblqua->setText(shown->remaining);
        showStatus(lblstat, shown->status);
        other->setEditText(shown->other);
        txtdesc->setPlainText(shown->description);
    }
    // Where the rule gives no colour, the label keeps the one it has.
    if (const std::optional<quint32> colour = SelectionStatusColour(lblstat->text(), by))
        ui::setBackColour(lblstat, *colour);
    return shown.has_value();
}

void frmupdate::readShownAgain()
{
    const QString number = cmbitemno->currentText(), name = cmbitemname->currentText();
    const StockChange::Lists lists = StockChange::loadLists();
    fill(cmbitemno, lists.numbers, number);
    fill(cmbitemname, lists.names, name);
    if (lists.numbers.contains(number))
        showPicked(false, number);
}

void frmupdate::cmbitemno_Click()
{
    pick(false);
}

void frmupdate::cmbitemname_Click()
{
    pick(true);
}

void frmupdate::change(bool add)
{
    StockChange::Outcome outcome;
    const bool ok = ui::guarded(this, [&] {
        outcome = StockChange::changeQuantity(add ? StockChange::Direction::Add : StockChange::Direction::Less,
                                              cmbitemno->currentText(), cmbitemname->currentText(), txtqua->text());
    });
    if (!ok || !outcome.acted)
        return;
    if (!outcome.message.isEmpty()) {
        ui::Prompts::message(this, outcome.message);
        return;
    }
    if (outcome.remaining)
        lblqua->setText(*outcome.remaining);
    if (outcome.status)
        showStatus(lblstat, *outcome.status);
    ui::PaintStatusLabel(lblstat);
}

void frmupdate::cmdadd_Click()
{
    change(true);
}

void frmupdate::Command1_Click()
{
    change(false);
}

void frmupdate::txtqua_Change()
{
    // Only digits reach the box; an empty box stands for 0.
    UpDown1->setValue(int(std::clamp(LeadingNumber(txtqua->text()), 0.0, double(UpDown1->maximum()))));
}

void frmupdate::UpDown1_Change()
{
    txtqua->setText(QString::number(UpDown1->value()));
}

} // namespace inv
