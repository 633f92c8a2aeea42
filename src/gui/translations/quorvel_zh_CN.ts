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
