<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>AddressCheckText</name>
    <message>
        <source>IP address</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Subnet mask</source>
        <translation>子网掩码</translation>
    </message>
    <message>
        <source>Default gateway</source>
        <translation>默认网关</translation>
    </message>
    <message>
        <source>0.0.0.0 is not an address a device can take.</source>
        <translation>0.0.0.0 不是设备可用的地址。</translation>
    </message>
    <message>
        <source>255.255.255.255 is the broadcast address.</source>
        <translation>255.255.255.255 是广播地址。</translation>
    </message>
    <message>
        <source>%1 is a loopback address (127.x.x.x).</source>
        <translation>%1 是环回地址（127.x.x.x）。</translation>
    </message>
    <message>
        <source>%1 is a multicast or reserved address (224.0.0.0 and above).</source>
        <translation>%1 是组播或保留地址（224.0.0.0 及以上）。</translation>
    </message>
    <message>
        <source>0.0.0.0 is not a subnet mask.</source>
        <translation>0.0.0.0 不是子网掩码。</translation>
    </message>
    <message>
        <source>%1 is not a subnet mask: its ones must come first, without gaps.</source>
        <translation>%1 不是子网掩码：其中的 1 必须连续地排在前面。</translation>
    </message>
    <message>
        <source>%1 is the network address of its own subnet.</source>
        <translation>%1 是其所在子网的网络地址。</translation>
    </message>
    <message>
        <source>%1 is the broadcast address of its own subnet.</source>
        <translation>%1 是其所在子网的广播地址。</translation>
    </message>
    <message>
        <source>%1 is outside the subnet of the IP address, so the device may not reach it.
Send these settings anyway?</source>
        <translation>%1 不在该 IP 地址的子网内，设备可能无法到达它。
仍然发送这些设置吗？</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
</context>
<context>
    <name>AddressClash</name>
    <message>
        <source>IP address %1 is this computer&apos;s own address (on %2); a printer with it would take this computer&apos;s traffic.</source>
        <translation>IP 地址 %1 是本机自己的地址（在 %2 上）；打印机使用它会抢走本机的网络流量。</translation>
    </message>
    <message>
        <source>IP address %1 is this computer&apos;s default gateway (on %2); a printer with it would take the traffic this computer sends to other networks.</source>
        <translation>IP 地址 %1 是本机的默认网关（在 %2 上）；打印机使用它会抢走本机发往其他网络的流量。</translation>
    </message>
    <message>
        <source>IP address %1 is already used by another device (MAC %2, on %3); of two devices on one address, neither can be reached reliably.</source>
        <translation>IP 地址 %1 已被另一台设备使用（MAC %2，在 %3 上）；两台设备共用一个地址，哪一台都无法可靠地访问。</translation>
    </message>
    <message>
        <source>Send these settings anyway?</source>
        <translation>仍然发送这些设置吗？</translation>
    </message>
</context>
<context>
    <name>FirmwareText</name>
    <message>
        <source>%1 of %2 bytes acknowledged</source>
        <translation>已确认 %1 / %2 字节</translation>
    </message>
    <message>
        <source> (the last send failed: %1)</source>
        <translation>（最后一次发送失败：%1）</translation>
    </message>
    <message>
        <source>%1 does not exist; choose the firmware image file.</source>
        <translation>%1 不存在，请选择固件文件。</translation>
    </message>
    <message>
        <source>%1 is not a file (a folder or a device); choose the firmware image file.</source>
        <translation>%1 不是文件（是文件夹或设备），请选择固件文件。</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation>无法读取 %1：%2</translation>
    </message>
    <message>
        <source>%1 is empty; no board takes an empty image.</source>
        <translation>%1 是空文件，打印机不接受空的固件。</translation>
    </message>
    <message>
        <source>%1 is larger than %2 MiB, more than any board&apos;s firmware; check the file.</source>
        <translation>%1 大于 %2 MiB，超过任何打印机固件的大小，请检查文件。</translation>
    </message>
    <message>
        <source>sent: %1 bytes</source>
        <translation>已发送：%1 字节</translation>
    </message>
    <message>
        <source>no TFTP server answered at %1 (its TFTP port is closed)</source>
        <translation>%1 上没有 TFTP 服务器应答（其 TFTP 端口未开放）</translation>
    </message>
    <message>
        <source>no TFTP server answered at %1 (nothing came back in %2 s)</source>
        <translation>%1 上没有 TFTP 服务器应答（%2 秒内没有任何回应）</translation>
    </message>
    <message>
        <source>%1 stopped answering: %2, nothing more in %3 s</source>
        <translation>%1 不再应答：%2，%3 秒内再无回应</translation>
    </message>
    <message>
        <source>the TFTP server at %1 went away (its port closed): %2</source>
        <translation>%1 上的 TFTP 服务器已消失（其端口已关闭）：%2</translation>
    </message>
    <message>
        <source>the TFTP server at %1 refused: error %2 (%3): %4; %5</source>
        <translation>%1 上的 TFTP 服务器拒绝了：错误 %2（%3）：%4；%5</translation>
    </message>
    <message>
        <source>the TFTP server at %1 broke the protocol: %2; %3</source>
        <translation>%1 上的 TFTP 服务器违反了协议：%2；%3</translation>
    </message>
    <message>
        <source>cancelled: %1</source>
        <translation>已取消：%1</translation>
    </message>
    <message>
        <source>sent; waiting for the board to answer again</source>
        <translation>已发送，正在等待打印机重新应答</translation>
    </message>
    <message>
        <source>sent, and the board answers again</source>
        <translation>已发送，打印机已重新应答</translation>
    </message>
    <message>
        <source>sent; the wait for the board was cancelled</source>
        <translation>已发送，已取消等待打印机</translation>
    </message>
    <message>
        <source>sent, but the board did not answer a search within %1 s</source>
        <translation>已发送，但打印机在 %1 秒内没有应答搜索</translation>
    </message>
</context>
<context>
    <name>HostCommands</name>
    <message>
        <source>%1 was not found; install the Debian package %2.</source>
        <translation>找不到 %1，请安装 Debian 软件包 %2。</translation>
    </message>
    <message>
        <source>No terminal window can be opened (%1 was not found), so %2 was not started.</source>
        <translation>无法打开终端窗口（找不到 %1），因此没有启动 %2。</translation>
    </message>
</context>
<context>
    <name>NeighbourEntries</name>
    <message>
        <source>no permission to change the neighbour table; the address assignment goes on without its neighbour entries (run as root for them).</source>
        <translation>没有修改邻居表（ARP）的权限；地址设置将继续进行，但不添加邻居表项（以 root 运行才会添加）。</translation>
    </message>
</context>
</TS>
