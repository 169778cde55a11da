<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>tollmere</name>
    <message>
        <source>The file cannot be read.</source>
        <translation>The file cannot be read.</translation>
    </message>
    <message>
        <source>No static header or receiver data that can be converted.</source>
        <translation>No static header or receiver data that can be converted.</translation>
    </message>
    <message>
        <source>No observation epoch could be decoded.</source>
        <translation>No observation epoch could be decoded.</translation>
    </message>
    <message>
        <source>The temporary folder could not be created or written.</source>
        <translation>The temporary folder could not be created or written.</translation>
    </message>
    <message>
        <source>An output file could not be written completely.</source>
        <translation>An output file could not be written completely.</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Out of memory.</translation>
    </message>
    <message>
        <source>The conversion library %1 was not found: %2</source>
        <translation>The conversion library %1 was not found: %2</translation>
    </message>
    <message>
        <source>The conversion library %1 has no function %2.</source>
        <translation>The conversion library %1 has no function %2.</translation>
    </message>
</context>
<context>
    <name>tollmere::CAboutDlg</name>
    <message>
        <source>Build Date:</source>
        <translation>Build Date:</translation>
    </message>
    <message>
        <source>About Tollmere</source>
        <translation>About Tollmere</translation>
    </message>
    <message>
        <source>Tollmere,Ver %1</source>
        <translation>Tollmere,Ver %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>tollmere::CSetAnteHeightDlg</name>
    <message>
        <source>Phase center</source>
        <translation>Phase center</translation>
    </message>
    <message>
        <source>Slant height</source>
        <translation>Slant height</translation>
    </message>
    <message>
        <source>Vertical height to edge</source>
        <translation>Vertical height to edge</translation>
    </message>
    <message>
        <source>Altimetry</source>
        <translation>Altimetry</translation>
    </message>
    <message>
        <source>Vertical height to bottom</source>
        <translation>Vertical height to bottom</translation>
    </message>
    <message>
        <source>EditAntennaHeight</source>
        <translation>EditAntennaHeight</translation>
    </message>
    <message>
        <source>Start time</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>End time</source>
        <translation>End time</translation>
    </message>
    <message>
        <source>Point name </source>
        <translation>Point name </translation>
    </message>
    <message>
        <source>Antenna Measure Height</source>
        <translation>Antenna Measure Height</translation>
    </message>
    <message>
        <source>Antenna Measure Mode</source>
        <translation>Antenna Measure Mode</translation>
    </message>
    <message>
        <source>Antenna Param(R/H)</source>
        <translation>Antenna Param(R/H)</translation>
    </message>
    <message>
        <source>Antenna Param(L1/L2)</source>
        <translation>Antenna Param(L1/L2)</translation>
    </message>
    <message>
        <source>Output Antenna  Height</source>
        <translation>Output Antenna  Height</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
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
        <translation>Path</translation>
    </message>
    <message>
        <source>File name</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>Antenna height</source>
        <translation>Antenna height</translation>
    </message>
    <message>
        <source>SIZE</source>
        <translation>SIZE</translation>
    </message>
    <message>
        <source>date</source>
        <translation>date</translation>
    </message>
    <message>
        <source>Start time </source>
        <translation>Start time </translation>
    </message>
    <message>
        <source>Stop time</source>
        <translation>Stop time</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>Output path=Input path</source>
        <translation>Output path=Input path</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>About Tollmere(&amp;A)...</source>
        <translation>About Tollmere(&amp;A)...</translation>
    </message>
    <message>
        <source>Mixed V3.02</source>
        <translation>Mixed V3.02</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>s</source>
        <translation>s</translation>
    </message>
    <message>
        <source>Rinex Version:</source>
        <translation>Rinex Version:</translation>
    </message>
    <message>
        <source>time Interval:</source>
        <translation>time Interval:</translation>
    </message>
    <message>
        <source>Output Ionospheric Corretions</source>
        <translation>Output Ionospheric Corretions</translation>
    </message>
    <message>
        <source>Phase Center</source>
        <translation>Phase Center</translation>
    </message>
    <message>
        <source>Flag Cycle Slip</source>
        <translation>Flag Cycle Slip</translation>
    </message>
    <message>
        <source>Set Station Coordinate With Single Point Position</source>
        <translation>Set Station Coordinate With Single Point Position</translation>
    </message>
    <message>
        <source>Export System:</source>
        <translation>Export System:</translation>
    </message>
    <message>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <source>GLO</source>
        <translation>GLO</translation>
    </message>
    <message>
        <source>BeiDou</source>
        <translation>BeiDou</translation>
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
        <translation>Freq Band:</translation>
    </message>
    <message>
        <source>Single Freq</source>
        <translation>Single Freq</translation>
    </message>
    <message>
        <source>Multiple Freq</source>
        <translation>Multiple Freq</translation>
    </message>
    <message>
        <source>Are you sure to rechoose path?</source>
        <translation>Are you sure to rechoose path?</translation>
    </message>
    <message>
        <source>Please Select Path</source>
        <translation>Please Select Path</translation>
    </message>
    <message>
        <source>Find File Failed!</source>
        <translation>Find File Failed!</translation>
    </message>
    <message>
        <source>SELECT NONE</source>
        <translation>SELECT NONE</translation>
    </message>
    <message>
        <source>SELECT ALL</source>
        <translation>SELECT ALL</translation>
    </message>
    <message>
        <source>Path is empty, please select first</source>
        <translation>Path is empty, please select first</translation>
    </message>
    <message>
        <source>Select Export Satellite System!</source>
        <translation>Select Export Satellite System!</translation>
    </message>
    <message>
        <source>Select Version</source>
        <translation>Select Version</translation>
    </message>
    <message>
        <source>Please Select File</source>
        <translation>Please Select File</translation>
    </message>
    <message>
        <source>Status: Convert to Rinex </source>
        <translation>Status: Convert to Rinex </translation>
    </message>
    <message>
        <source>Convert to Rinex Error</source>
        <translation>Convert to Rinex Error</translation>
    </message>
    <message>
        <source>Complete</source>
        <translation>Complete</translation>
    </message>
    <message>
        <source>No file header, can&apos;t edit antenna height</source>
        <translation>No file header, can&apos;t edit antenna height</translation>
    </message>
    <message>
        <source>A file named %1 already exists; %2 keeps its name.</source>
        <translation>A file named %1 already exists; %2 keeps its name.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
</context>
</TS>
