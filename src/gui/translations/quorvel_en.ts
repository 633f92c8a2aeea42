<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>AddressCheckText</name>
    <message>
        <source>IP address</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>Subnet mask</source>
        <translation>Subnet mask</translation>
    </message>
    <message>
        <source>Default gateway</source>
        <translation>Default gateway</translation>
    </message>
    <message>
        <source>0.0.0.0 is not an address a device can take.</source>
        <translation>0.0.0.0 is not an address a device can take.</translation>
    </message>
    <message>
        <source>255.255.255.255 is the broadcast address.</source>
        <translation>255.255.255.255 is the broadcast address.</translation>
    </message>
    <message>
        <source>%1 is a loopback address (127.x.x.x).</source>
        <translation>%1 is a loopback address (127.x.x.x).</translation>
    </message>
    <message>
        <source>%1 is a multicast or reserved address (224.0.0.0 and above).</source>
        <translation>%1 is a multicast or reserved address (224.0.0.0 and above).</translation>
    </message>
    <message>
        <source>0.0.0.0 is not a subnet mask.</source>
        <translation>0.0.0.0 is not a subnet mask.</translation>
    </message>
    <message>
        <source>%1 is not a subnet mask: its ones must come first, without gaps.</source>
        <translation>%1 is not a subnet mask: its ones must come first, without gaps.</translation>
    </message>
    <message>
        <source>%1 is the network address of its own subnet.</source>
        <translation>%1 is the network address of its own subnet.</translation>
    </message>
    <message>
        <source>%1 is the broadcast address of its own subnet.</source>
        <translation>%1 is the broadcast address of its own subnet.</translation>
    </message>
    <message>
        <source>%1 is outside the subnet of the IP address, so the device may not reach it.
Send these settings anyway?</source>
        <translation>%1 is outside the subnet of the IP address, so the device may not reach it.
Send these settings anyway?</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>AddressClash</name>
    <message>
        <source>IP address %1 is this computer&apos;s own address (on %2); a printer with it would take this computer&apos;s traffic.</source>
        <translation>IP address %1 is this computer&apos;s own address (on %2); a printer with it would take this computer&apos;s traffic.</translation>
    </message>
    <message>
        <source>IP address %1 is this computer&apos;s default gateway (on %2); a printer with it would take the traffic this computer sends to other networks.</source>
        <translation>IP address %1 is this computer&apos;s default gateway (on %2); a printer with it would take the traffic this computer sends to other networks.</translation>
    </message>
    <message>
        <source>IP address %1 is already used by another device (MAC %2, on %3); of two devices on one address, neither can be reached reliably.</source>
        <translation>IP address %1 is already used by another device (MAC %2, on %3); of two devices on one address, neither can be reached reliably.</translation>
    </message>
    <message>
        <source>Send these settings anyway?</source>
        <translation>Send these settings anyway?</translation>
    </message>
</context>
<context>
    <name>CQuorvelApp</name>
    <message>
        <source>Cannot Open Socket</source>
        <translation>Cannot Open Socket</translation>
    </message>
</context>
<context>
    <name>CellText</name>
    <message>
        <source>%1天 %2小时 %3分 %4秒</source>
        <translation>%1 d %2 h %3 min %4 s</translation>
    </message>
    <message>
        <source>%1小时 %2分 %3秒</source>
        <translation>%1 h %2 min %3 s</translation>
    </message>
    <message>
        <source>%1分 %2秒</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>静态</source>
        <translation>static</translation>
    </message>
    <message>
        <source>动态</source>
        <translation>DHCP</translation>
    </message>
    <message>
        <source>IP Address: %1 [%2]</source>
        <translation>IP: %1 [%2]</translation>
    </message>
    <message>
        <source>MAC Address: %1</source>
        <translation>MAC Address: %1</translation>
    </message>
</context>
<context>
    <name>DialogTemplates</name>
    <message>
        <source>关于...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>Quorvel Version 1.0 </source>
        <translation>Quorvel Version 1.0 </translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Patent Pending</source>
        <translation>Patent Pending</translation>
    </message>
    <message>
        <source>Tarnex网络打印机设置程序 v1.0 </source>
        <translation>Tarnex Network Printer Setup v1.0 </translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Add Entry</source>
        <translation>Add Entry</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>搜索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>显示 MAC 地址</source>
        <translation>Show MAC address</translation>
    </message>
    <message>
        <source>Show Left Column</source>
        <translation>Show Left Column</translation>
    </message>
    <message>
        <source>Show Right Column</source>
        <translation>Show Right Column</translation>
    </message>
    <message>
        <source>排序：</source>
        <translation>Sort:</translation>
    </message>
    <message>
        <source>设置端口</source>
        <translation>Set Ports</translation>
    </message>
    <message>
        <source>修改IP</source>
        <translation>Change IP</translation>
    </message>
    <message>
        <source>浏览器</source>
        <translation>Browser</translation>
    </message>
    <message>
        <source>Quick Launch:</source>
        <translation>Quick Launch:</translation>
    </message>
    <message>
        <source>Bootloader</source>
        <translation>Bootloader</translation>
    </message>
    <message>
        <source>超级终端</source>
        <translation>Terminal</translation>
    </message>
    <message>
        <source>打印机状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>搜索设备...</source>
        <translation>Search Devices...</translation>
    </message>
    <message>
        <source>终止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>循环定时</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>搜索完成后自动关闭本窗口</source>
        <translation>Close when the search is done</translation>
    </message>
    <message>
        <source>分配IP地址</source>
        <translation>Assign IP Address</translation>
    </message>
    <message>
        <source>IP地址：</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>子网掩码：</source>
        <translation>Subnet mask:</translation>
    </message>
    <message>
        <source>默认网关：</source>
        <translation>Gateway:</translation>
    </message>
    <message>
        <source>使用DHCP</source>
        <translation>Use DHCP</translation>
    </message>
    <message>
        <source>成功后关闭窗口</source>
        <translation>Close on success</translation>
    </message>
    <message>
        <source>Use Ping Gleaning</source>
        <translation>Use Ping Gleaning</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>对话框</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>远程UDP端口：</source>
        <translation>Remote UDP ports:</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>钱箱pin3高</source>
        <translation>Drawer pin3</translation>
    </message>
    <message>
        <source>脱机</source>
        <translation>Offl.</translation>
    </message>
    <message>
        <source>等待在线恢复</source>
        <translation>Wait online</translation>
    </message>
    <message>
        <source>走纸</source>
        <translation>Feed</translation>
    </message>
    <message>
        <source>上盖打开</source>
        <translation>Lid open</translation>
    </message>
    <message>
        <source>因缺纸打印中断</source>
        <translation>Paper stop</translation>
    </message>
    <message>
        <source>错误发生</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>可恢复故障</source>
        <translation>Recoverable</translation>
    </message>
    <message>
        <source>自动切纸刀故障</source>
        <translation>Cutter fault</translation>
    </message>
    <message>
        <source>不可恢复故障</source>
        <translation>Unrecoverable</translation>
    </message>
    <message>
        <source>可自动恢复故障</source>
        <translation>Auto-recover</translation>
    </message>
    <message>
        <source>纸将尽</source>
        <translation>Ppr low</translation>
    </message>
    <message>
        <source>缺纸</source>
        <translation>Out</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
</context>
<context>
    <name>FirmwareText</name>
    <message>
        <source>%1 of %2 bytes acknowledged</source>
        <translation>%1 of %2 bytes acknowledged</translation>
    </message>
    <message>
        <source> (the last send failed: %1)</source>
        <translation> (the last send failed: %1)</translation>
    </message>
    <message>
        <source>%1 does not exist; choose the firmware image file.</source>
        <translation>%1 does not exist; choose the firmware image file.</translation>
    </message>
    <message>
        <source>%1 is not a file (a folder or a device); choose the firmware image file.</source>
        <translation>%1 is not a file (a folder or a device); choose the firmware image file.</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation>%1 cannot be read: %2</translation>
    </message>
    <message>
        <source>%1 is empty; no board takes an empty image.</source>
        <translation>%1 is empty; no board takes an empty image.</translation>
    </message>
    <message>
        <source>%1 is larger than %2 MiB, more than any board&apos;s firmware; check the file.</source>
        <translation>%1 is larger than %2 MiB, more than any board&apos;s firmware; check the file.</translation>
    </message>
    <message>
        <source>sent: %1 bytes</source>
        <translation>sent: %1 bytes</translation>
    </message>
    <message>
        <source>no TFTP server answered at %1 (its TFTP port is closed)</source>
        <translation>no TFTP server answered at %1 (its TFTP port is closed)</translation>
    </message>
    <message>
        <source>no TFTP server answered at %1 (nothing came back in %2 s)</source>
        <translation>no TFTP server answered at %1 (nothing came back in %2 s)</translation>
    </message>
    <message>
        <source>%1 stopped answering: %2, nothing more in %3 s</source>
        <translation>%1 stopped answering: %2, nothing more in %3 s</translation>
    </message>
    <message>
        <source>the TFTP server at %1 went away (its port closed): %2</source>
        <translation>the TFTP server at %1 went away (its port closed): %2</translation>
    </message>
    <message>
        <source>the TFTP server at %1 refused: error %2 (%3): %4; %5</source>
        <translation>the TFTP server at %1 refused: error %2 (%3): %4; %5</translation>
    </message>
    <message>
        <source>the TFTP server at %1 broke the protocol: %2; %3</source>
        <translation>the TFTP server at %1 broke the protocol: %2; %3</translation>
    </message>
    <message>
        <source>cancelled: %1</source>
        <translation>cancelled: %1</translation>
    </message>
    <message>
        <source>sent; waiting for the board to answer again</source>
        <translation>sent; waiting for the board to answer again</translation>
    </message>
    <message>
        <source>sent, and the board answers again</source>
        <translation>sent, and the board answers again</translation>
    </message>
    <message>
        <source>sent; the wait for the board was cancelled</source>
        <translation>sent; the wait for the board was cancelled</translation>
    </message>
    <message>
        <source>sent, but the board did not answer a search within %1 s</source>
        <translation>sent, but the board did not answer a search within %1 s</translation>
    </message>
</context>
<context>
    <name>HostCommands</name>
    <message>
        <source>%1 was not found; install the Debian package %2.</source>
        <translation>%1 was not found; install the Debian package %2.</translation>
    </message>
    <message>
        <source>No terminal window can be opened (%1 was not found), so %2 was not started.</source>
        <translation>No terminal window can be opened (%1 was not found), so %2 was not started.</translation>
    </message>
</context>
<context>
    <name>NeighbourEntries</name>
    <message>
        <source>no permission to change the neighbour table; the address assignment goes on without its neighbour entries (run as root for them).</source>
        <translation>no permission to change the neighbour table; the address assignment goes on without its neighbour entries (run as root for them).</translation>
    </message>
</context>
<context>
    <name>PrinterCondition</name>
    <message>
        <source>无应答</source>
        <translation>No answer</translation>
    </message>
    <message>
        <source>故障</source>
        <translation>Fault</translation>
    </message>
    <message>
        <source>脱机</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>上盖打开</source>
        <translation>Cover open</translation>
    </message>
    <message>
        <source>缺纸</source>
        <translation>Paper out</translation>
    </message>
    <message>
        <source>纸将尽</source>
        <translation>Paper low</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>SearchReplyHandler</name>
    <message>
        <source>Error receiving data</source>
        <translation>Error receiving data</translation>
    </message>
    <message>
        <source>Invalid Search Packet Received or Random Number Mismatch</source>
        <translation>Invalid Search Packet Received or Random Number Mismatch</translation>
    </message>
</context>
<context>
    <name>SocketDispatch</name>
    <message>
        <source>Recevied an out-of-place Packet -- Discarding</source>
        <translation>Received an out-of-place Packet -- Discarding</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>&amp;About quorvel...</source>
        <translation>&amp;About Quorvel...</translation>
    </message>
    <message>
        <source>Windows sockets initialization failed.</source>
        <translation>Windows sockets initialization failed.</translation>
    </message>
</context>
<context>
    <name>quorvel::AssignExchange</name>
    <message>
        <source>%1 seconds remaining</source>
        <translation>%1 seconds remaining</translation>
    </message>
    <message>
        <source>Cell not selected</source>
        <translation>Cell not selected</translation>
    </message>
    <message>
        <source>%1 Unable To Send</source>
        <translation>%1 Unable To Send</translation>
    </message>
    <message>
        <source>Timeout -- Did not receive an acknowlegement</source>
        <translation>Timeout -- Did not receive an acknowledgement</translation>
    </message>
    <message>
        <source>Error receiving data</source>
        <translation>Error receiving data</translation>
    </message>
    <message>
        <source>Invalid Assign Packet Received</source>
        <translation>Invalid Assign Packet Received</translation>
    </message>
</context>
<context>
    <name>quorvel::CAssignDlg</name>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>quorvel::CNetDisplay</name>
    <message>
        <source>Scrolling Error</source>
        <translation>Scrolling Error</translation>
    </message>
    <message>
        <source>打印机列表</source>
        <translation>Printer list</translation>
    </message>
</context>
<context>
    <name>quorvel::CPortConfigDlg</name>
    <message>
        <source>Please enter a positive integer.</source>
        <translation>Please enter a positive integer.</translation>
    </message>
    <message>
        <source>LB_ERR when adding port to list box</source>
        <translation>LB_ERR when adding port to list box</translation>
    </message>
    <message>
        <source>Error: Exceeded Maximum Number of Ports</source>
        <translation>Error: Exceeded Maximum Number of Ports</translation>
    </message>
    <message>
        <source>Error: Duplicate Port</source>
        <translation>Error: Duplicate Port</translation>
    </message>
    <message>
        <source>Error: Invalid Port ( 1024 &gt;= port &gt;= 65535)</source>
        <translation>Error: Invalid Port (1024 &lt;= port &lt;= 65535)</translation>
    </message>
    <message>
        <source>Please select a port to remove</source>
        <translation>Please select a port to remove</translation>
    </message>
</context>
<context>
    <name>quorvel::CQuorvelDlg</name>
    <message>
        <source>Show %1</source>
        <translation>Show %1</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP Address</translation>
    </message>
    <message>
        <source>Unsorted</source>
        <translation>Unsorted</translation>
    </message>
    <message>
        <source>Please select an embedded system first.</source>
        <translation>Please select an embedded system first.</translation>
    </message>
    <message>
        <source>Browse for Input IMG File...</source>
        <translation>Browse for Input IMG File...</translation>
    </message>
    <message>
        <source>IMG Files (*.img)</source>
        <translation>IMG Files (*.img)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>All Files (*)</translation>
    </message>
    <message>
        <source>Left Column</source>
        <translation>Left Column</translation>
    </message>
    <message>
        <source>Right Column</source>
        <translation>Right Column</translation>
    </message>
    <message>
        <source>请先选择一个打印机！</source>
        <translation>Please select a printer first!</translation>
    </message>
    <message>
        <source>修改IP</source>
        <translation>Change IP</translation>
    </message>
    <message>
        <source>打印机状态</source>
        <translation>Printer Status</translation>
    </message>
    <message>
        <source>打开网页</source>
        <translation>Open Web Page</translation>
    </message>
    <message>
        <source>Telnet</source>
        <translation>Telnet</translation>
    </message>
    <message>
        <source>复制 IP</source>
        <translation>Copy IP</translation>
    </message>
    <message>
        <source>复制 MAC</source>
        <translation>Copy MAC</translation>
    </message>
    <message>
        <source>导出列表…</source>
        <translation>Export List…</translation>
    </message>
    <message>
        <source>导出列表</source>
        <translation>Export List</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>无法导出列表到 %1：%2</source>
        <translation>Cannot export the list to %1: %2</translation>
    </message>
    <message>
        <source>帮助 (F1)</source>
        <translation>Help (F1)</translation>
    </message>
    <message>
        <source>找不到帮助手册。查找过：
%1</source>
        <translation>No help was found. Looked for:
%1</translation>
    </message>
    <message>
        <source>仅接口 %1</source>
        <translation>only interfaces %1</translation>
    </message>
    <message>
        <source>另搜 %1</source>
        <translation>also searching %1</translation>
    </message>
    <message>
        <source>本地端口 %1</source>
        <translation>local port %1</translation>
    </message>
    <message>
        <source>搜索设置已更改：%1</source>
        <translation>Search settings changed: %1</translation>
    </message>
    <message>
        <source>无法使用本地端口 %1：%2</source>
        <translation>Cannot use local port %1: %2</translation>
    </message>
    <message>
        <source>搜索设置…</source>
        <translation>Search settings…</translation>
    </message>
    <message>
        <source>为什么找不到设备？</source>
        <translation>Why is a board missing?</translation>
    </message>
    <message>
        <source>搜索设置</source>
        <translation>Search settings</translation>
    </message>
    <message>
        <source>无法打开帮助手册：没有能打开它的浏览器。
手册位于 %1
（路径已复制到剪贴板）</source>
        <translation>The manual cannot be opened: no web browser could show it.
The manual is at %1
(the path has been copied to the clipboard)</translation>
    </message>
    <message>
        <source>无法打开打印机状态总览：本程序不能再打开一个 UDP 套接字（%1）。请关闭不用的程序后再试。</source>
        <translation>Cannot open the printer overview: the program cannot open another UDP socket (%1). Close programs you do not need and try again.</translation>
    </message>
    <message>
        <source>打印机状态总览</source>
        <translation>Printer overview</translation>
    </message>
    <message>
        <source>无法升级固件：本程序不能再打开一个 UDP 套接字（%1）。请关闭不用的程序后再试。</source>
        <translation>The firmware cannot be updated: this program cannot open another UDP socket (%1). Close programs you do not need and try again.</translation>
    </message>
</context>
<context>
    <name>quorvel::CSearchDlg</name>
    <message>
        <source>剩余 %1 秒</source>
        <translation>%1 seconds left</translation>
    </message>
    <message>
        <source>找到 %1 个设备</source>
        <translation>Devices found: %1</translation>
    </message>
</context>
<context>
    <name>quorvel::FirmwarePushDlg</name>
    <message>
        <source>固件升级</source>
        <translation>Firmware update</translation>
    </message>
    <message>
        <source>打印机：%1</source>
        <translation>Printer: %1</translation>
    </message>
    <message>
        <source>固件文件：%1</source>
        <translation>Firmware file: %1</translation>
    </message>
    <message>
        <source>Starting TFTP Bootloader...</source>
        <translation>Starting TFTP Bootloader...</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>已发送 %1 / %2 字节</source>
        <translation>Sent %1 of %2 bytes</translation>
    </message>
    <message>
        <source>Please wait 10 - 15 seconds for firmware update to complete...</source>
        <translation>Please wait 10 - 15 seconds for firmware update to complete...</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>quorvel::PrinterOverviewDlg</name>
    <message>
        <source>打印机状态总览</source>
        <translation>Printer overview</translation>
    </message>
    <message>
        <source>打印机列表</source>
        <translation>Printers</translation>
    </message>
    <message>
        <source>最严重的状态排在最前</source>
        <translation>Worst condition first</translation>
    </message>
    <message>
        <source>所选打印机的状态标志</source>
        <translation>Status flags of the selected printer</translation>
    </message>
</context>
<context>
    <name>quorvel::PrinterOverviewModel</name>
    <message>
        <source>正在等待第一次应答。</source>
        <translation>Waiting for the first answer.</translation>
    </message>
    <message>
        <source>从未应答状态查询。</source>
        <translation>Has never answered a status request.</translation>
    </message>
    <message>
        <source>最后一次应答（%1）时的状态：</source>
        <translation>At its last answer (%1):</translation>
    </message>
    <message>
        <source>没有状态标志。</source>
        <translation>No status flags.</translation>
    </message>
    <message>
        <source>查询中…</source>
        <translation>Asking…</translation>
    </message>
    <message>
        <source>从未</source>
        <translation>Never</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Condition</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>IP 地址</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>MAC 地址</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>最后应答</source>
        <translation>Last answer</translation>
    </message>
</context>
<context>
    <name>quorvel::PrtStatDlg</name>
    <message>
        <source>打印机状态</source>
        <translation>Printer Status</translation>
    </message>
    <message>
        <source>发送状态请求...</source>
        <translation>Sending status request...</translation>
    </message>
    <message>
        <source>未找到打印机状态</source>
        <translation>Printer status not found</translation>
    </message>
</context>
<context>
    <name>quorvel::SearchExchange</name>
    <message>
        <source>Error Code: %1. Unable To Send Packet. Please Check Network Connection.</source>
        <translation>Error Code: %1. Unable To Send Packet. Please Check Network Connection.</translation>
    </message>
</context>
<context>
    <name>quorvel::SearchExplanationDlg</name>
    <message>
        <source>发送失败：%1</source>
        <translation>send failed: %1</translation>
    </message>
    <message>
        <source>未启用</source>
        <translation>down</translation>
    </message>
    <message>
        <source>回环接口</source>
        <translation>loopback</translation>
    </message>
    <message>
        <source>不支持广播</source>
        <translation>no broadcast</translation>
    </message>
    <message>
        <source>没有 IPv4 地址</source>
        <translation>no IPv4 address</translation>
    </message>
    <message>
        <source>未在搜索设置中选中</source>
        <translation>not chosen in the search settings</translation>
    </message>
    <message>
        <source>丢弃入站数据的 nftables 策略</source>
        <translation>an nftables input policy that drops</translation>
    </message>
    <message>
        <source>丢弃入站数据的 iptables 策略</source>
        <translation>an iptables input policy that drops</translation>
    </message>
    <message>
        <source>宽松反向路径过滤 (rp_filter 2) 且没有默认路由</source>
        <translation>loose reverse-path filtering (rp_filter 2) and no default route</translation>
    </message>
    <message>
        <source>严格反向路径过滤 (rp_filter 1) 且没有默认路由</source>
        <translation>strict reverse-path filtering (rp_filter 1) and no default route</translation>
    </message>
    <message>
        <source>严格反向路径过滤 (rp_filter 1)，而默认路由经由 %1</source>
        <translation>strict reverse-path filtering (rp_filter 1) and the default route leaves through %1</translation>
    </message>
    <message>
        <source>内核丢弃了子网外地址上的设备发往 %1 的应答（%2）。</source>
        <translation>The kernel drops replies that reach %1 from boards on addresses outside its subnets (%2). </translation>
    </message>
    <message>
        <source>请让它宽松过滤：%1</source>
        <translation>Let it filter loosely: %1</translation>
    </message>
    <message>
        <source>请添加经由 %1 的路由：%2，或将其 rp_filter 设为 0：%3</source>
        <translation>Add a route through %1: %2, or set its rp_filter to 0: %3</translation>
    </message>
    <message>
        <source>还没有搜索过：请先搜索。</source>
        <translation>No search has run yet: search first.</translation>
    </message>
    <message>
        <source>没有设备应答搜索。</source>
        <translation>No board answered the search.</translation>
    </message>
    <message>
        <source>子网外地址上的设备可能没有列出。</source>
        <translation>Boards on addresses outside the searched subnets may be missing.</translation>
    </message>
    <message>
        <source>没有接口可以发送搜索：没有已启用、有 IPv4 地址并支持广播的接口。</source>
        <translation>No interface could send the search: none is up with an IPv4 address and broadcast.</translation>
    </message>
    <message>
        <source>%1 已连接网线，但没有 IPv4 地址：设备的应答无法返回。以管理员身份运行以下命令为它设置地址：%2</source>
        <translation>%1 has a cable in but no IPv4 address: the boards&apos; answers cannot come back. Give it an address with these commands, as root: %2</translation>
    </message>
    <message>
        <source>主机防火墙已启用（%1）：它可能丢弃设备发往本程序端口的应答。</source>
        <translation>A host firewall is active (%1): it may drop the boards&apos; replies to this program&apos;s port. </translation>
    </message>
    <message>
        <source>请允许发往 UDP 端口 %1 的数据进入。</source>
        <translation>Let UDP to port %1 in.</translation>
    </message>
    <message>
        <source>请在搜索设置 (F8) 中设定固定的本地端口，并允许发往该端口的 UDP 数据进入。</source>
        <translation>Set a fixed local port in the search settings (F8) and let UDP to that port in.</translation>
    </message>
    <message>
        <source>上次搜索没有发现问题。</source>
        <translation>The last search found nothing wrong.</translation>
    </message>
    <message>
        <source>已搜索的接口：%1</source>
        <translation>Searched on: %1</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>已跳过的接口：%1</source>
        <translation>Skipped: %1</translation>
    </message>
    <message>
        <source>搜索期间内核丢弃了 %1 个来自子网外源地址的数据包 (in_martian_src)。</source>
        <translation>During the search the kernel dropped %1 packets from martian sources (in_martian_src).</translation>
    </message>
    <message>
        <source>命令（以管理员身份运行）：</source>
        <translation>Commands (run as root):</translation>
    </message>
    <message>
        <source>未找到设备</source>
        <translation>No board found</translation>
    </message>
    <message>
        <source>为什么找不到设备？</source>
        <translation>Why is a board missing?</translation>
    </message>
    <message>
        <source>搜索结果说明</source>
        <translation>Search explanation</translation>
    </message>
    <message>
        <source>详细信息</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>不再自动显示</source>
        <translation>Don&apos;t show again</translation>
    </message>
    <message>
        <source>复制命令</source>
        <translation>Copy commands</translation>
    </message>
</context>
<context>
    <name>quorvel::SearchSettingsDlg</name>
    <message>
        <source>搜索设置</source>
        <translation>Search settings</translation>
    </message>
    <message>
        <source>所有接口(&amp;A)</source>
        <translation>&amp;All interfaces</translation>
    </message>
    <message>
        <source>搜索的接口</source>
        <translation>Interfaces searched</translation>
    </message>
    <message>
        <source>接口：</source>
        <translation>Interfaces:</translation>
    </message>
    <message>
        <source>例如 198.18.5.255 或一个设备的地址</source>
        <translation>e.g. 198.18.5.255 or one board&apos;s address</translation>
    </message>
    <message>
        <source>另外搜索的地址</source>
        <translation>Addresses also searched</translation>
    </message>
    <message>
        <source>另外搜索的地址(&amp;T)：</source>
        <translation>Also search &amp;these addresses:</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>automatic</translation>
    </message>
    <message>
        <source>本地端口</source>
        <translation>Local port</translation>
    </message>
    <message>
        <source>本地端口(&amp;P)：</source>
        <translation>Local &amp;port:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>恢复默认</source>
        <translation>Restore defaults</translation>
    </message>
    <message>
        <source>“%1”不是 IPv4 地址。</source>
        <translation>&quot;%1&quot; is not an IPv4 address.</translation>
    </message>
    <message>
        <source>请至少选择一个接口，或选择“所有接口”。</source>
        <translation>Choose at least one interface, or &quot;All interfaces&quot;.</translation>
    </message>
</context>
<context>
    <name>quorvel::StatusExchange</name>
    <message>
        <source>接收数据错误！</source>
        <translation>Error receiving data!</translation>
    </message>
</context>
</TS>
