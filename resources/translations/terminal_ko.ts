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
<context>
    <name>TermToolRow</name>
    <message>
        <source>Timestamps</source>
        <translation>시간 표시</translation>
    </message>
    <message>
        <source>Hex view</source>
        <translation>16진수 보기</translation>
    </message>
    <message>
        <source>Hold when scrolled up</source>
        <translation>스크롤 위치 유지</translation>
    </message>
    <message>
        <source>While you read further up, new data does not move the view</source>
        <translation>위로 스크롤해 읽는 동안 새 데이터가 와도 화면이 움직이지 않습니다</translation>
    </message>
    <message>
        <source>Scrollback:</source>
        <translation>스크롤백:</translation>
    </message>
    <message>
        <source>Scrollback</source>
        <translation>스크롤백</translation>
    </message>
    <message>
        <source>%1 characters</source>
        <translation>%1자</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>찾기</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>지우기</translation>
    </message>
    <message>
        <source>Log…</source>
        <translation>로그…</translation>
    </message>
    <message>
        <source>Stop log</source>
        <translation>로그 중지</translation>
    </message>
</context>
<context>
    <name>TermFindBar</name>
    <message>
        <source>Find:</source>
        <translation>찾기:</translation>
    </message>
    <message>
        <source>Text to find</source>
        <translation>찾을 문자열</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>이전</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>다음</translation>
    </message>
    <message>
        <source>Match case</source>
        <translation>대/소문자 구분</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>닫기</translation>
    </message>
</context>
<context>
    <name>TermLogger</name>
    <message>
        <source>Raw bytes as received (*.log)</source>
        <translation>받은 그대로의 바이트 (*.log)</translation>
    </message>
    <message>
        <source>Text as shown, with time stamps (*.txt)</source>
        <translation>화면에 표시된 텍스트, 시간 포함 (*.txt)</translation>
    </message>
    <message>
        <source>Log received data</source>
        <translation>수신 데이터 로그</translation>
    </message>
    <message>
        <source>The log file %1 cannot be opened: %2</source>
        <translation>로그 파일 %1을(를) 열 수 없습니다: %2</translation>
    </message>
    <message>
        <source>Logging to %1</source>
        <translation>로그 기록 중: %1</translation>
    </message>
    <message>
        <source>Logging stopped: writing to %1 failed: %2</source>
        <translation>로그 기록을 중지했습니다. %1에 쓰지 못했습니다: %2</translation>
    </message>
</context>
</TS>
