<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en_US">
<context>
    <name>GdiplusImgCtrl</name>
    <message>
        <source>sKW Manager logo</source>
        <translation>sKW Manager 로고</translation>
    </message>
</context>
</TS>
