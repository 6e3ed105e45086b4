<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!--
  English for View > Language > English. The source texts are the runtime's
  own: the application title and its Japanese messages exactly as the core
  builds them, with "%1" for the quoted text of a conversion failure and for
  the error number of "I/O エラー". They are looked up by their text at run
  time (ErrorBox.cpp, ShownMessage), not found in the sources by lupdate:
  edit this file by hand or in Linguist. lrelease turns it into
  pivora_en.qm at build time, embedded as :/i18n/pivora_en.qm.
  The error box adds the full stop by its rule, in English too.
-->
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>ErrorBox</name>
    <message>
        <source>Quandel</source>
        <translation>Pivora</translation>
    </message>
    <message>
        <source>&apos;%1&apos; は浮動小数点数ではありません</source>
        <translation>&apos;%1&apos; is not a floating-point number</translation>
    </message>
    <message>
        <source>0 による浮動小数点数除算</source>
        <translation>Floating-point division by 0</translation>
    </message>
    <message>
        <source>不正な浮動小数点数演算命令</source>
        <translation>Invalid floating-point operation</translation>
    </message>
    <message>
        <source>浮動小数点数のオーバーフロー</source>
        <translation>Floating-point overflow</translation>
    </message>
    <message>
        <source>ファイルが見つかりません</source>
        <translation>File not found</translation>
    </message>
    <message>
        <source>ファイル名の指定が間違っています</source>
        <translation>The file name is wrong</translation>
    </message>
    <message>
        <source>オープンしたファイルが多すぎます</source>
        <translation>Too many open files</translation>
    </message>
    <message>
        <source>ファイルへのアクセスが拒否されました</source>
        <translation>Access to the file was denied</translation>
    </message>
    <message>
        <source>I/O エラー (%1)</source>
        <translation>I/O error (%1)</translation>
    </message>
    <message>
        <source>メモリが足りません</source>
        <translation>Not enough memory</translation>
    </message>
</context>
</TS>
