<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en_US">
<context>
    <name>SerialTermPage</name>
    <message>
        <source>Received data</source>
        <translation>수신 데이터</translation>
    </message>
    <message>
        <source>Line to send</source>
        <translation>보낼 문자열</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>보내기</translation>
    </message>
    <message>
        <source>Line end character</source>
        <translation>전송 끝 문자</translation>
    </message>
    <message>
        <source>CR</source>
        <translation>CR</translation>
    </message>
    <message>
        <source>LF</source>
        <translation>LF</translation>
    </message>
    <message>
        <source>Convert strings</source>
        <translation>전송 문자열 변환</translation>
    </message>
    <message>
        <source>Treat as hexadecimal string</source>
        <translation>16진수 문자열로 취급</translation>
    </message>
    <message>
        <source>The hexadecimal string is not an even length.</source>
        <translation>16진수 문자열의 길이가 짝수가 아닙니다.</translation>
    </message>
    <message>
        <source>The format of the hexadecimal string is incorrect.</source>
        <translation>16진수 문자열의 형식이 잘못 되었습니다.</translation>
    </message>
    <message>
        <source>String is too long.</source>
        <translation>문자열의 길이가 너무 깁니다.</translation>
    </message>
    <message>
        <source>There was an error converting the hexadecimal string to binary data.</source>
        <translation>16진수 문자열을 바이너리 데이터로 변환하는데 문제가 발생하였습니다.</translation>
    </message>
    <message>
        <source>Error on COM port. Closing the port.</source>
        <translation>COM 포트 오류. 포트를 닫습니다.</translation>
    </message>
</context>
</TS>
