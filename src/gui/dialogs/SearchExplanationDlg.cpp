#include "SearchExplanationDlg.h"

#include "core/exchange/SearchSettings.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

namespace quorvel {

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

QStringList texts(const std::vector<std::string>& parts) {
    QStringList out;
    for (const std::string& p : parts)
        out << text(p);
    return out;
}

QString skipReason(const InterfaceUse& use) {
    if (use.sendError != 0)
        return SearchExplanationDlg::tr("发送失败：%1")
            .arg(QString::fromLocal8Bit(std::strerror(use.sendError)));
    switch (use.skipped.value_or(InterfaceSkipReason::Down)) {
    case InterfaceSkipReason::Down:
        return SearchExplanationDlg::tr("未启用");
    case InterfaceSkipReason::Loopback:
        return SearchExplanationDlg::tr("回环接口");
    case InterfaceSkipReason::NoBroadcast:
        return SearchExplanationDlg::tr("不支持广播");
    case InterfaceSkipReason::NoIpv4Address:
        return SearchExplanationDlg::tr("没有 IPv4 地址");
    case InterfaceSkipReason::NotAllowed:
        return SearchExplanationDlg::tr("未在搜索设置中选中");
    }
    return {};
}

QString firewallName(const std::string& name) {
    if (name == "an nftables input policy that drops")
        return SearchExplanationDlg::tr("丢弃入站数据的 nftables 策略");
    if (name == "an iptables input policy that drops")
        return SearchExplanationDlg::tr("丢弃入站数据的 iptables 策略");
    return text(name);
}

QString reversePathLine(const ReversePathDrop& drop) {
    const QString link = text(drop.interfaceName);
    QString why;
    if (!drop.defaultRoute)
        why = drop.filter == 2
                  ? SearchExplanationDlg::tr("宽松反向路径过滤 (rp_filter 2) 且没有默认路由")
                  : SearchExplanationDlg::tr("严格反向路径过滤 (rp_filter 1) 且没有默认路由");
    else
        why = SearchExplanationDlg::tr("严格反向路径过滤 (rp_filter 1)，而默认路由经由 %1")
                  .arg(text(*drop.defaultRoute));
    const QString what =
        SearchExplanationDlg::tr("内核丢弃了子网外地址上的设备发往 %1 的应答（%2）。")
            .arg(link, why);
    if (drop.routeCommand.empty())
        return what + SearchExplanationDlg::tr("请让它宽松过滤：%1").arg(text(drop.sysctlCommand));
    return what + SearchExplanationDlg::tr("请添加经由 %1 的路由：%2，或将其 rp_filter 设为 0：%3")
                      .arg(link, text(drop.routeCommand), text(drop.sysctlCommand));
}

} // namespace

QStringList SearchExplanationDlg::summaryLines(const std::optional<SearchExplanation>& e) {
    if (!e)
        return {tr("还没有搜索过：请先搜索。")};
    QStringList lines;
    if (e->nothingAnswered)
        lines << tr("没有设备应答搜索。");
    else if (e->foreignMayBeMissing)
        lines << tr("子网外地址上的设备可能没有列出。");
    if (e->nothingAnswered && e->searchedOn.empty())
        lines << tr("没有接口可以发送搜索：没有已启用、有 IPv4 地址并支持广播的接口。");
    for (const UnaddressedLink& link : e->unaddressedLinks)
        lines << tr("%1 已连接网线，但没有 IPv4 "
                    "地址：设备的应答无法返回。以管理员身份运行以下命令为它设置地址：%2")
                     .arg(text(link.interfaceName),
                          texts(link.commands).join(QStringLiteral("; ")));
    if (!e->firewalls.empty()) {
        QStringList names;
        for (const std::string& name : e->firewalls)
            names << firewallName(name);
        const QString what = tr("主机防火墙已启用（%1）：它可能丢弃设备发往本程序端口的应答。")
                                 .arg(names.join(QStringLiteral(", ")));
        lines << what + (e->localPort
                             ? tr("请允许发往 UDP 端口 %1 的数据进入。").arg(*e->localPort)
                             : tr("请在搜索设置 (F8) 中设定固定的本地端口，并允许发往该端口的 "
                                  "UDP 数据进入。"));
    }
    for (const ReversePathDrop& drop : e->reversePathDrops)
        lines << reversePathLine(drop);
    if (lines.isEmpty())
        lines << tr("上次搜索没有发现问题。");
    return lines;
}

QStringList SearchExplanationDlg::detailLines(const SearchExplanation& e) {
    QStringList lines;
    if (!e.searchedOn.empty())
        lines << tr("已搜索的接口：%1").arg(texts(e.searchedOn).join(QStringLiteral(", ")));
    QStringList skipped;
    for (const InterfaceUse& use : e.skipped)
        skipped << tr("%1（%2）").arg(text(use.name), skipReason(use));
    if (!skipped.isEmpty())
        lines << tr("已跳过的接口：%1").arg(skipped.join(QStringLiteral(", ")));
    if (e.martiansDropped)
        lines << tr("搜索期间内核丢弃了 %1 个来自子网外源地址的数据包 (in_martian_src)。")
                     .arg(*e.martiansDropped);
    const std::vector<std::string> commands = e.commands();
    if (!commands.empty()) {
        lines << tr("命令（以管理员身份运行）：");
        for (const std::string& command : commands)
            lines << QStringLiteral("    ") + text(command);
    }
    return lines;
}

SearchExplanationDlg::SearchExplanationDlg(const std::optional<SearchExplanation>& explanation,
                                           QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(explanation && explanation->nothingAnswered ? tr("未找到设备")
                                                               : tr("为什么找不到设备？"));
    auto* layout = new QVBoxLayout(this);
    auto* summary = new QLabel(summaryLines(explanation).join(u'\n'), this);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setTextFormat(Qt::PlainText); // interface names are data
    summary->setWordWrap(true);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    summary->setFocusPolicy(Qt::StrongFocus);
    summary->setAccessibleName(tr("搜索结果说明"));
    summary->setMinimumWidth(480);
    layout->addWidget(summary);

    const QStringList details = explanation ? detailLines(*explanation) : QStringList();
    auto* showDetails = new QPushButton(tr("详细信息"), this);
    showDetails->setObjectName(QStringLiteral("showDetails"));
    showDetails->setCheckable(true);
    showDetails->setEnabled(!details.isEmpty());
    layout->addWidget(showDetails, 0, Qt::AlignLeft);
    m_details = new QPlainTextEdit(details.join(u'\n'), this);
    m_details->setObjectName(QStringLiteral("details"));
    m_details->setReadOnly(true);
    m_details->setAccessibleName(tr("详细信息"));
    m_details->setVisible(false);
    layout->addWidget(m_details);
    connect(showDetails, &QPushButton::toggled, m_details, &QWidget::setVisible);

    auto* dontShow = new QCheckBox(tr("不再自动显示"), this);
    dontShow->setObjectName(QStringLiteral("dontShowAgain"));
    dontShow->setChecked(!ExplainEmptySearches());
    connect(dontShow, &QCheckBox::toggled, this, [](bool on) { SetExplainEmptySearches(!on); });
    layout->addWidget(dontShow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    const QStringList lines = explanation ? texts(explanation->commands()) : QStringList();
    if (!lines.isEmpty()) {
        QPushButton* copy = buttons->addButton(tr("复制命令"), QDialogButtonBox::ActionRole);
        copy->setObjectName(QStringLiteral("copyCommands"));
        connect(copy, &QPushButton::clicked, this,
                [lines] { QGuiApplication::clipboard()->setText(lines.join(u'\n') + u'\n'); });
    }
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    summary->setFocus();
}

} // namespace quorvel
