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
    <message>
        <source>%1 m</source>
        <translation>%1 米</translation>
    </message>
    <message>
        <source>%1 B</source>
        <translation>%1 B</translation>
    </message>
    <message>
        <source>%1 KB</source>
        <translation>%1 KB</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>The file no longer exists.</source>
        <translation>文件已不存在。</translation>
    </message>
    <message>
        <source>Not a regular file (a pipe, device or folder); it was not read.</source>
        <translation>不是普通文件（管道、设备或文件夹）；未读取。</translation>
    </message>
    <message>
        <source>The file is empty.</source>
        <translation>文件为空。</translation>
    </message>
    <message>
        <source> The output folder was left as it was.</source>
        <translation>输出文件夹保持原样。</translation>
    </message>
    <message>
        <source>The static header is truncated (%1 of 512 bytes).</source>
        <translation>静态文件头不完整（%1 / 512 字节）。</translation>
    </message>
    <message>
        <source>Not a valid static file: unknown static header format code %1 (expected 0, 1000 or 1099).</source>
        <translation>不是有效的静态文件：静态文件头格式代码 %1 未知（应为 0、1000 或 1099）。</translation>
    </message>
    <message>
        <source>No receiver data after the static header.</source>
        <translation>静态文件头之后没有接收机数据。</translation>
    </message>
    <message>
        <source>Unknown format: no receiver data of a supported board format behind the static header.</source>
        <translation>未知格式：静态文件头之后没有受支持板卡格式的接收机数据。</translation>
    </message>
    <message>
        <source>Not a static file (no static header) and no receiver data of a supported board format.</source>
        <translation>不是静态文件（没有静态文件头），也没有受支持板卡格式的接收机数据。</translation>
    </message>
    <message>
        <source>The conversion library reported no reason.</source>
        <translation>转换库未报告原因。</translation>
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
    <message>
        <source>Antenna height</source>
        <translation>天线高</translation>
    </message>
    <message>
        <source>m</source>
        <translation>米</translation>
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
    <message>
        <source>Folder of the raw files; Enter lists it</source>
        <translation>原始文件所在文件夹；按回车键列出</translation>
    </message>
    <message>
        <source>Measuring method</source>
        <translation>量取方式</translation>
    </message>
    <message>
        <source>Point name</source>
        <translation>点名</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>时长</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>The log of the conversions appears here.</source>
        <translation>转换日志显示在这里。</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Stops after the running file; the files after it are skipped.</source>
        <translation>当前文件完成后停止；其后的文件将被跳过。</translation>
    </message>
    <message>
        <source>Save log...</source>
        <translation>保存日志...</translation>
    </message>
    <message>
        <source>Open output folder</source>
        <translation>打开输出文件夹</translation>
    </message>
    <message>
        <source>Status: listing %1</source>
        <translation>状态：正在列出 %1</translation>
    </message>
    <message>
        <source>Status: %1 raw files listed</source>
        <translation>状态：已列出 %1 个原始文件</translation>
    </message>
    <message>
        <source>cannot be converted: %1</source>
        <translation>无法转换：%1</translation>
    </message>
    <message>
        <source>Converting %1 files into %2</source>
        <translation>正在将 %1 个文件转换到 %2</translation>
    </message>
    <message>
        <source>File %1 of %2</source>
        <translation>第 %1 个文件，共 %2 个</translation>
    </message>
    <message>
        <source>%1: converted, files written: %2</source>
        <translation>%1：已转换，写出文件：%2</translation>
    </message>
    <message>
        <source>%1: %2: %3</source>
        <translation>%1：%2：%3</translation>
    </message>
    <message>
        <source>%1 converted, %2 failed, %3 skipped</source>
        <translation>已转换 %1 个，失败 %2 个，跳过 %3 个</translation>
    </message>
    <message>
        <source>%1 of %2 files done</source>
        <translation>已处理 %1 / %2 个文件</translation>
    </message>
    <message>
        <source>Cancelled: %1 files skipped; the running file is finished first.</source>
        <translation>已取消：跳过 %1 个文件；当前文件将先完成。</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>等待中</translation>
    </message>
    <message>
        <source>converting</source>
        <translation>正在转换</translation>
    </message>
    <message>
        <source>converted, files written: %1</source>
        <translation>已转换，写出文件：%1 个</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>失败：%1</translation>
    </message>
    <message>
        <source>skipped (cancelled)</source>
        <translation>已跳过（已取消）</translation>
    </message>
    <message>
        <source>Save log</source>
        <translation>保存日志</translation>
    </message>
    <message>
        <source>The log could not be saved: %1</source>
        <translation>无法保存日志：%1</translation>
    </message>
    <message>
        <source>Edit antenna height...</source>
        <translation>编辑天线高...</translation>
    </message>
    <message>
        <source>File information...</source>
        <translation>文件信息...</translation>
    </message>
    <message>
        <source>Open containing folder</source>
        <translation>打开所在文件夹</translation>
    </message>
    <message>
        <source>Not a static file (no static header, or an unknown header format code).</source>
        <translation>不是静态文件（没有静态文件头，或文件头格式代码未知）。</translation>
    </message>
    <message>
        <source>Marker name: %1</source>
        <translation>点名：%1</translation>
    </message>
    <message>
        <source>Receiver: %1</source>
        <translation>接收机：%1</translation>
    </message>
    <message>
        <source>Antenna: %1 (number %2)</source>
        <translation>天线：%1（编号 %2）</translation>
    </message>
    <message>
        <source>First observation: %1</source>
        <translation>首次观测：%1</translation>
    </message>
    <message>
        <source>Last observation: %1</source>
        <translation>末次观测：%1</translation>
    </message>
    <message>
        <source>Position X Y Z: %1 %2 %3 m</source>
        <translation>位置 X Y Z：%1 %2 %3 米</translation>
    </message>
    <message>
        <source>Antenna height: %1 m measured, method %2 (%3)</source>
        <translation>天线高：量取 %1 米，方式 %2（%3）</translation>
    </message>
    <message>
        <source>Phase centre (dH): %1 m</source>
        <translation>相位中心 (dH)：%1 米</translation>
    </message>
    <message>
        <source>Antenna R H L1 L2: %1 %2 %3 %4 m</source>
        <translation>天线 R H L1 L2：%1 %2 %3 %4 米</translation>
    </message>
    <message>
        <source>Log files (*.log *.txt)</source>
        <translation>日志文件 (*.log *.txt)</translation>
    </message>
</context>
</TS>
