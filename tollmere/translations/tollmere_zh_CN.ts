<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>tollmere</name>
    <message>
        <source>The file cannot be read.</source>
        <translation>无法读取文件。</translation>
    </message>
    <message>
        <source>No static header or receiver data that can be converted.</source>
        <translation>没有可转换的静态文件头或接收机数据。</translation>
    </message>
    <message>
        <source>No observation epoch could be decoded.</source>
        <translation>未能解码任何观测历元。</translation>
    </message>
    <message>
        <source>The temporary folder could not be created or written.</source>
        <translation>无法创建或写入临时文件夹。</translation>
    </message>
    <message>
        <source>An output file could not be written completely.</source>
        <translation>输出文件未能完整写入。</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>内存不足。</translation>
    </message>
    <message>
        <source>The conversion library %1 was not found: %2</source>
        <translation>找不到转换库 %1：%2</translation>
    </message>
    <message>
        <source>The conversion library %1 has no function %2.</source>
        <translation>转换库 %1 中没有函数 %2。</translation>
    </message>
</context>
<context>
    <name>tollmere::CAboutDlg</name>
    <message>
        <source>Build Date:</source>
        <translation>编译日期：</translation>
    </message>
    <message>
        <source>About Tollmere</source>
        <translation>关于 Tollmere</translation>
    </message>
    <message>
        <source>Tollmere,Ver %1</source>
        <translation>Tollmere，版本 %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>tollmere::CSetAnteHeightDlg</name>
    <message>
        <source>Phase center</source>
        <translation>相位中心</translation>
    </message>
    <message>
        <source>Slant height</source>
        <translation>斜高</translation>
    </message>
    <message>
        <source>Vertical height to edge</source>
        <translation>至边缘垂高</translation>
    </message>
    <message>
        <source>Altimetry</source>
        <translation>测高片</translation>
    </message>
    <message>
        <source>Vertical height to bottom</source>
        <translation>至底部垂高</translation>
    </message>
    <message>
        <source>EditAntennaHeight</source>
        <translation>编辑天线高</translation>
    </message>
    <message>
        <source>Start time</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>End time</source>
        <translation>结束时间</translation>
    </message>
    <message>
        <source>Point name </source>
        <translation>点名 </translation>
    </message>
    <message>
        <source>Antenna Measure Height</source>
        <translation>天线量高</translation>
    </message>
    <message>
        <source>Antenna Measure Mode</source>
        <translation>量高方式</translation>
    </message>
    <message>
        <source>Antenna Param(R/H)</source>
        <translation>天线参数(R/H)</translation>
    </message>
    <message>
        <source>Antenna Param(L1/L2)</source>
        <translation>天线参数(L1/L2)</translation>
    </message>
    <message>
        <source>Output Antenna  Height</source>
        <translation>输出天线高</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>tollmere::CTollmereDlg</name>
    <message>
        <source>Tollmere</source>
        <translation>Tollmere</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>路径</translation>
    </message>
    <message>
        <source>File name</source>
        <translation>文件名</translation>
    </message>
    <message>
        <source>Antenna height</source>
        <translation>天线高</translation>
    </message>
    <message>
        <source>SIZE</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Start time </source>
        <translation>开始时间 </translation>
    </message>
    <message>
        <source>Stop time</source>
        <translation>结束时间</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>状态：</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>全选</translation>
    </message>
    <message>
        <source>Output path=Input path</source>
        <translation>输出路径=输入路径</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>About Tollmere(&amp;A)...</source>
        <translation>关于 Tollmere(&amp;A)...</translation>
    </message>
    <message>
        <source>Mixed V3.02</source>
        <translation>混合 V3.02</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>s</source>
        <translation>秒</translation>
    </message>
    <message>
        <source>Rinex Version:</source>
        <translation>Rinex 版本：</translation>
    </message>
    <message>
        <source>time Interval:</source>
        <translation>采样间隔：</translation>
    </message>
    <message>
        <source>Output Ionospheric Corretions</source>
        <translation>输出电离层改正</translation>
    </message>
    <message>
        <source>Phase Center</source>
        <translation>相位中心</translation>
    </message>
    <message>
        <source>Flag Cycle Slip</source>
        <translation>标记周跳</translation>
    </message>
    <message>
        <source>Set Station Coordinate With Single Point Position</source>
        <translation>用单点定位结果设置测站坐标</translation>
    </message>
    <message>
        <source>Export System:</source>
        <translation>导出系统：</translation>
    </message>
    <message>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <source>GLO</source>
        <translation>GLONASS</translation>
    </message>
    <message>
        <source>BeiDou</source>
        <translation>北斗</translation>
    </message>
    <message>
        <source>Galileo</source>
        <translation>Galileo</translation>
    </message>
    <message>
        <source>QZSS</source>
        <translation>QZSS</translation>
    </message>
    <message>
        <source>SBAS</source>
        <translation>SBAS</translation>
    </message>
    <message>
        <source>Freq Band:</source>
        <translation>频段：</translation>
    </message>
    <message>
        <source>Single Freq</source>
        <translation>单频</translation>
    </message>
    <message>
        <source>Multiple Freq</source>
        <translation>多频</translation>
    </message>
    <message>
        <source>Are you sure to rechoose path?</source>
        <translation>确定要重新选择路径吗？</translation>
    </message>
    <message>
        <source>Please Select Path</source>
        <translation>请选择路径</translation>
    </message>
    <message>
        <source>Find File Failed!</source>
        <translation>查找文件失败！</translation>
    </message>
    <message>
        <source>SELECT NONE</source>
        <translation>全不选</translation>
    </message>
    <message>
        <source>SELECT ALL</source>
        <translation>全选</translation>
    </message>
    <message>
        <source>Path is empty, please select first</source>
        <translation>路径为空，请先选择路径</translation>
    </message>
    <message>
        <source>Select Export Satellite System!</source>
        <translation>请选择导出的卫星系统！</translation>
    </message>
    <message>
        <source>Select Version</source>
        <translation>请选择版本</translation>
    </message>
    <message>
        <source>Please Select File</source>
        <translation>请选择文件</translation>
    </message>
    <message>
        <source>Status: Convert to Rinex </source>
        <translation>状态：转换为 Rinex </translation>
    </message>
    <message>
        <source>Convert to Rinex Error</source>
        <translation>转换 Rinex 出错</translation>
    </message>
    <message>
        <source>Complete</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>No file header, can&apos;t edit antenna height</source>
        <translation>没有文件头，无法编辑天线高</translation>
    </message>
    <message>
        <source>A file named %1 already exists; %2 keeps its name.</source>
        <translation>文件 %1 已存在；%2 保留原文件名。</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>No</source>
        <translation>否</translation>
    </message>
</context>
</TS>
